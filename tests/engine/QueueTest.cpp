// The PCM queue's blocking and the frame queue's hand-over.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "engine/FrameQueue.h"
#include "engine/PcmQueue.h"
#include "RecordingConsole.h"

namespace {

// Appends one sample to a mono queue.
void Append(CPcmQueue& queue, float value)
{
    const float* planes[] = {&value};
    queue.Append(planes, 1);
}

class PcmQueueTest : public ::testing::Test {
protected:
    CRecordingConsole m_console;
    std::atomic<bool> m_stop{false};
};

TEST_F(PcmQueueTest, CutsPlanesIntoBlocksInOrderAcrossAppends)
{
    CPcmQueue queue(m_console, m_stop);
    queue.SetBlockSize(4, 2);
    // 9 samples per channel in two appends: two full blocks, one sample left over.
    std::vector<float> left(9), right(9);
    for (int i = 0; i < 9; ++i) {
        left[static_cast<size_t>(i)] = static_cast<float>(100 + i);
        right[static_cast<size_t>(i)] = static_cast<float>(200 + i);
    }
    const float* head[] = {left.data(), right.data()};
    const float* tail[] = {left.data() + 5, right.data() + 5};
    queue.Append(head, 5);
    queue.Append(tail, 4);
    ASSERT_EQ(queue.Count(), 2u);
    auto first = queue.TryPop();
    auto second = queue.TryPop();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->length, 4);
    EXPECT_EQ(first->Plane(0)[0], 100.0f);
    EXPECT_EQ(first->Plane(1)[0], 200.0f);
    EXPECT_EQ(second->Plane(0)[3], 107.0f);
    EXPECT_EQ(second->Plane(1)[3], 207.0f);

    // The leftover sample starts the next block and, at the end of the
    // stream, is queued rather than lost, in a whole block filled up with
    // silence.
    queue.OnEndOfStream();
    auto last = queue.Pop();
    ASSERT_TRUE(last);
    EXPECT_EQ(last->length, 4);
    EXPECT_EQ(last->silence, 3);
    EXPECT_EQ((std::vector<float>(last->Plane(0), last->Plane(0) + 4)), (std::vector<float>{108, 0, 0, 0}));
    EXPECT_EQ((std::vector<float>(last->Plane(1), last->Plane(1) + 4)), (std::vector<float>{208, 0, 0, 0}));
    EXPECT_FALSE(queue.Pop());
    queue.OnEndOfStream();  // a repeat changes nothing
    EXPECT_EQ(queue.Count(), 0u);
}

TEST_F(PcmQueueTest, ProducerWaitsAtSixtyFourBlocksAndResumesWhenOneIsTaken)
{
    CPcmQueue queue(m_console, m_stop);
    queue.SetBlockSize(1);
    std::atomic<int> pushed{0};
    std::thread producer([&] {
        for (int i = 0; i < 65; ++i) {
            Append(queue, static_cast<float>(i));
            pushed.store(i + 1);
        }
    });
    while (pushed.load() < 64)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(pushed.load(), 64);
    EXPECT_EQ(queue.Count(), 64u);

    auto block = queue.TryPop();
    ASSERT_TRUE(block);
    EXPECT_EQ(block->Plane(0)[0], 0.0f);
    producer.join();
    EXPECT_EQ(pushed.load(), 65);
    EXPECT_EQ(queue.Count(), 64u);
}

TEST_F(PcmQueueTest, WithTheEndFlagSetA65thBlockIsQueuedWithoutWaiting)
{
    CPcmQueue queue(m_console, m_stop);
    queue.SetBlockSize(1);
    for (int i = 0; i < 64; ++i)
        Append(queue, static_cast<float>(i));
    queue.SetEnd(true);
    Append(queue, 64.0f);  // would block for ever without the end flag
    EXPECT_EQ(queue.Count(), 65u);
    int taken = 0;
    while (auto block = queue.Pop())
        EXPECT_EQ(block->Plane(0)[0], static_cast<float>(taken++));
    EXPECT_EQ(taken, 65);
}

TEST_F(PcmQueueTest, AbortReleasesAWaitingProducerAndAWaitingConsumer)
{
    CPcmQueue full(m_console, m_stop);
    full.SetBlockSize(1);
    for (int i = 0; i < 64; ++i)
        Append(full, static_cast<float>(i));
    CPcmQueue empty(m_console, m_stop);
    empty.SetBlockSize(1);

    std::thread producer([&] { Append(full, 1.0f); });
    std::thread consumer([&] { EXPECT_FALSE(empty.Pop()); });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    m_stop.store(true);
    producer.join();
    consumer.join();
    EXPECT_EQ(full.Count(), 64u);  // the block in hand was dropped
    EXPECT_TRUE(empty.IsEnded());
    EXPECT_FALSE(full.TryPop());   // queued blocks are no longer handed out
}

TEST_F(PcmQueueTest, DestructionReportsTheBlocksStillQueuedToItsConsole)
{
    testing::internal::CaptureStdout();
    {
        CPcmQueue queue(m_console, m_stop);
        queue.SetBlockSize(1);
        for (int i = 0; i < 3; ++i)
            Append(queue, static_cast<float>(i));
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(m_console.Lines(), std::vector<std::string>{"out: ~CQueue 3\n"});
}

TEST(FrameQueueTest, CopiesFramesAndEndsWithTheEncodedLineOnItsConsole)
{
    CRecordingConsole console;
    const std::atomic<bool> stop{false};
    CFrameQueue queue(console, stop);
    std::vector<uint8_t> buffer = {1, 2, 3};
    queue.OnFrame(buffer.data(), 3, 1024);
    buffer[0] = 9;  // the encoder reuses its buffer
    queue.OnFrame(buffer.data(), 2, 512);
    testing::internal::CaptureStdout();
    queue.OnEnd(1536);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(console.Lines(), std::vector<std::string>{"out: Encoded 2 5\n"});
    EXPECT_EQ(queue.FileSamples(), 1536u);

    auto first = queue.Pop();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->data[0], 1);
    EXPECT_EQ(first->duration, 1024u);
    auto second = queue.Pop();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->data[0], 9);
    EXPECT_EQ(second->size, 2);
    EXPECT_FALSE(queue.Pop());  // ended and empty: returns, does not wait
}

TEST(FrameQueueTest, ConsumerSeesFramesPushedFromAnotherThreadInOrder)
{
    CRecordingConsole console;
    const std::atomic<bool> stop{false};
    CFrameQueue queue(console, stop);
    std::thread producer([&] {
        for (int i = 0; i < 500; ++i) {
            const auto byte = static_cast<uint8_t>(i & 0xFF);
            queue.OnFrame(&byte, 1, static_cast<uint64_t>(i));
        }
        queue.OnEnd(500);
    });
    uint64_t expected = 0;
    while (auto frame = queue.Pop())
        EXPECT_EQ(frame->duration, expected++);
    EXPECT_EQ(queue.FileSamples(), 500u);  // ended: the count came with the end
    producer.join();
    EXPECT_EQ(expected, 500u);
}

// A unit that runs ahead of the writer holds at most its bound of frames,
// then waits until the writer takes them.
TEST(FrameQueueTest, AProducerWaitsAtTheBoundUntilFramesAreTaken)
{
    CRecordingConsole console;
    const std::atomic<bool> stop{false};
    CFrameQueue queue(console, stop, 300);
    const std::vector<uint8_t> frame(100, 7);
    std::atomic<bool> done{false};
    std::thread producer([&] {
        for (int i = 0; i < 10; ++i)
            queue.OnFrame(frame.data(), 100, 1024);
        queue.OnEnd(10 * 1024);
        done = true;
    });
    while (!queue.WaitsForRoom() && !done)
        std::this_thread::yield();
    EXPECT_FALSE(done.load());
    EXPECT_EQ(queue.Count(), 3u);
    int taken = 0;
    while (queue.Pop())
        ++taken;
    producer.join();
    EXPECT_EQ(taken, 10);
}

}  // namespace

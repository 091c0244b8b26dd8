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

class CBytes : public IMediaSample {
public:
    explicit CBytes(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)) {}
    const uint8_t* GetPointer() const override { return m_bytes.data(); }
    long GetActualDataLength() const override { return static_cast<long>(m_bytes.size()); }

private:
    std::vector<uint8_t> m_bytes;
};

std::vector<uint8_t> SamplesAsBytes(int count, int16_t first)
{
    std::vector<uint8_t> bytes;
    for (int i = 0; i < count; ++i) {
        const auto v = static_cast<int16_t>(first + i);
        bytes.push_back(static_cast<uint8_t>(v & 0xFF));
        bytes.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
    }
    return bytes;
}

class PcmQueueTest : public ::testing::Test {
protected:
    CRecordingConsole m_console;
    std::atomic<bool> m_stop{false};
};

TEST_F(PcmQueueTest, CutsSamplesIntoBlocksInOrderAndIgnoresEmptyAndOddBytes)
{
    CPcmQueue queue(m_console, m_stop);
    queue.SetBlockSize(4);
    CBytes empty({});
    queue.OnSample(&empty);
    EXPECT_EQ(queue.Count(), 0u);

    // 9 samples and one stray byte: two full blocks, one sample left over.
    auto bytes = SamplesAsBytes(9, 100);
    bytes.push_back(0x7F);
    CBytes sample(bytes);
    queue.OnSample(&sample);
    ASSERT_EQ(queue.Count(), 2u);
    auto first = queue.TryPop();
    auto second = queue.TryPop();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->count, 4);
    EXPECT_EQ(first->samples[0], 100);
    EXPECT_EQ(second->samples[3], 107);

    // The leftover sample starts the next block and, at the end of the
    // stream, is queued rather than lost, in a whole block filled up with
    // silence.
    queue.OnEndOfStream();
    auto last = queue.Pop();
    ASSERT_TRUE(last);
    EXPECT_EQ(last->count, 4);
    EXPECT_EQ(last->silence, 3);
    EXPECT_EQ((std::vector<int16_t>(last->samples.get(), last->samples.get() + 4)),
              (std::vector<int16_t>{108, 0, 0, 0}));
    EXPECT_FALSE(queue.Pop());
    queue.OnEndOfStream();  // a repeat changes nothing
    EXPECT_EQ(queue.Count(), 0u);
}

TEST_F(PcmQueueTest, ProducerWaitsAtSixtyFourBlocksAndResumesWhenOneIsTaken)
{
    CPcmQueue queue(m_console, m_stop);
    queue.SetBlockSize(2);
    std::atomic<int> pushed{0};
    std::thread producer([&] {
        for (int i = 0; i < 65; ++i) {
            const int16_t samples[2] = {static_cast<int16_t>(i), 0};
            queue.Append(samples, 2);
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
    EXPECT_EQ(block->samples[0], 0);
    producer.join();
    EXPECT_EQ(pushed.load(), 65);
    EXPECT_EQ(queue.Count(), 64u);
}

TEST_F(PcmQueueTest, WithTheEndFlagSetA65thBlockIsQueuedWithoutWaiting)
{
    CPcmQueue queue(m_console, m_stop);
    queue.SetBlockSize(1);
    for (int16_t i = 0; i < 64; ++i)
        queue.Append(&i, 1);
    queue.SetEnd(true);
    const int16_t extra = 64;
    queue.Append(&extra, 1);  // would block for ever without the end flag
    EXPECT_EQ(queue.Count(), 65u);
    int taken = 0;
    while (auto block = queue.Pop())
        EXPECT_EQ(block->samples[0], taken++);
    EXPECT_EQ(taken, 65);
}

TEST_F(PcmQueueTest, AbortReleasesAWaitingProducerAndAWaitingConsumer)
{
    CPcmQueue full(m_console, m_stop);
    full.SetBlockSize(1);
    for (int16_t i = 0; i < 64; ++i)
        full.Append(&i, 1);
    CPcmQueue empty(m_console, m_stop);
    empty.SetBlockSize(1);

    std::thread producer([&] {
        const int16_t extra = 1;
        full.Append(&extra, 1);
    });
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
        for (int16_t i = 0; i < 3; ++i)
            queue.Append(&i, 1);
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

// The graph's streaming thread against consumers that block, abort or watch
// the position from another thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "DecodeTestSupport.h"
#include "base/EngineState.h"
#include "base/Event.h"
#include "decode/Graph.h"
#include "tests/support/TestSupport.h"
#include "base/Text.h"

using namespace decodetest;
namespace fs = std::filesystem;

namespace {

// Blocks in its first OnSample until g_bAbort is raised, as the PCM queue
// does when the encoder falls behind.
class CBlockingConsumer : public CPcmCollector {
public:
    void OnSample(IMediaSample* sample) override
    {
        CPcmCollector::OnSample(sample);
        m_entered.Set();
        while (!g_bAbort)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    bool WaitUntilBlocked(int milliseconds) { return m_entered.Wait(milliseconds); }

private:
    CEvent m_entered{true, false};
};

// Raises g_bAbort itself while handling its n-th sample.
class CAbortingConsumer : public CPcmCollector {
public:
    explicit CAbortingConsumer(int abortAt) : m_nAbortAt(abortAt) {}
    void OnSample(IMediaSample* sample) override
    {
        CPcmCollector::OnSample(sample);
        if (++m_nSeen == m_nAbortAt)
            g_bAbort = 1;
    }

private:
    const int m_nAbortAt;
    int m_nSeen = 0;
};

class GraphStreaming : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_bAbort = 0;
        m_file = m_dir / "long.wav";
        testsupport::GenerateTone(m_file, 20.0, 44100, 2, 440.0);
    }
    void TearDown() override { g_bAbort = 0; }

    testsupport::TempDir m_dir;
    fs::path m_file;
};

}  // namespace

TEST_F(GraphStreaming, StopReturnsWhileTheConsumerWaitsForTheAbort)
{
    CBlockingConsumer consumer;
    CGraphSound graph(FromPath(m_file), nullptr);
    ASSERT_EQ(graph.Init(), S_OK);
    graph.m_pCallback = &consumer;
    ASSERT_EQ(graph.Run(), S_OK);
    ASSERT_TRUE(consumer.WaitUntilBlocked(30000));

    g_bAbort = 1;
    EXPECT_EQ(graph.Stop(), S_OK);
    const int samplesAtStop = consumer.Samples();
    EXPECT_GE(consumer.EndsOfStream(), 1);
    EXPECT_LE(consumer.EndsOfStream(), 2);
    EXPECT_EQ(consumer.SamplesAfterEnd(), 0);
    EXPECT_EQ(graph.Close(), S_OK);
    EXPECT_EQ(consumer.Samples(), samplesAtStop);
}

TEST_F(GraphStreaming, AbortMidStreamEndsDeliveryAtOnce)
{
    CAbortingConsumer consumer(3);
    CGraphSound graph(FromPath(m_file), nullptr);
    ASSERT_EQ(graph.Init(), S_OK);
    graph.m_pCallback = &consumer;
    ASSERT_EQ(graph.Run(), S_OK);
    ASSERT_TRUE(consumer.WaitForEnd(30000));
    // Give the thread time to try (and fail) to deliver more.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(graph.Stop(), S_OK);
    EXPECT_EQ(consumer.Samples(), 3);
    EXPECT_EQ(consumer.SamplesAfterEnd(), 0);
    EXPECT_GE(consumer.EndsOfStream(), 1);
    EXPECT_LE(consumer.EndsOfStream(), 2);
    graph.Close();
}

TEST_F(GraphStreaming, CloseWhileStreamingEndsTheThread)
{
    CPcmCollector consumer;
    CGraphSound graph(FromPath(m_file), nullptr);
    ASSERT_EQ(graph.Init(), S_OK);
    graph.m_pCallback = &consumer;
    ASSERT_EQ(graph.Run(), S_OK);
    EXPECT_EQ(graph.Close(), S_OK);
    const int samplesAtClose = consumer.Samples();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(consumer.Samples(), samplesAtClose);
    EXPECT_EQ(graph.GetPosition(), 0);
}

TEST_F(GraphStreaming, PositionGrowsWhileAnotherThreadReadsIt)
{
    CPcmCollector consumer;
    CGraphSound graph(FromPath(m_file), nullptr);
    ASSERT_EQ(graph.Init(), S_OK);
    EXPECT_EQ(graph.GetPosition(), 0);
    graph.m_pCallback = &consumer;

    std::atomic<bool> done{false};
    std::atomic<bool> monotonic{true};
    std::thread watcher([&] {
        int64_t last = 0;
        while (!done) {
            const int64_t now = graph.GetPosition();
            if (now < last)
                monotonic = false;
            last = now;
            std::this_thread::yield();
        }
    });
    ASSERT_EQ(graph.Run(), S_OK);
    const bool ended = consumer.WaitForEnd(60000);
    done = true;
    watcher.join();
    ASSERT_TRUE(ended);
    EXPECT_TRUE(monotonic);
    EXPECT_NEAR(static_cast<double>(graph.GetPosition()), 20e7, 1e5);
    EXPECT_NEAR(static_cast<double>(graph.m_llDuration), 20e7, 1e5);
    graph.Close();
}

namespace {
// Runs out of memory while taking its third sample.
class CThrowingConsumer : public CPcmCollector {
public:
    void OnSample(IMediaSample* sample) override
    {
        CPcmCollector::OnSample(sample);
        if (++m_nSeen == 3)
            throw std::bad_alloc();
    }

private:
    int m_nSeen = 0;
};
}  // namespace

TEST_F(GraphStreaming, AConsumerOutOfMemoryEndsTheConversionWithAMessage)
{
    g_strError.Clear();
    CThrowingConsumer consumer;
    CGraphSound graph(FromPath(m_file), nullptr);
    ASSERT_EQ(graph.Init(), S_OK);
    graph.m_pCallback = &consumer;
    ASSERT_EQ(graph.Run(), S_OK);
    EXPECT_TRUE(consumer.WaitForEnd(10000));
    EXPECT_EQ(g_bAbort.load(), 1);
    EXPECT_EQ(g_strError.Get(), u"Can't read file " + FromPath(m_file));
    graph.Stop();
    graph.Close();
}

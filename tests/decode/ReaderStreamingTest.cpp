// The reader pulled on one thread while another raises its stop flag or
// watches its position.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "DecodeTestSupport.h"
#include "base/Text.h"
#include "tests/support/TestSupport.h"

using namespace decodetest;
namespace fs = std::filesystem;

namespace {

class ReaderStreaming : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_file = m_dir / "long.wav";
        testsupport::GenerateTone(m_file, 20.0, 44100, 2, 440.0);
    }

    testsupport::TempDir m_dir;
    fs::path m_file;
};

}  // namespace

// A stop is not the end of the file: the puller tells the two apart.
TEST_F(ReaderStreaming, AStopFromAnotherThreadEndsThePullsButNotTheFile)
{
    std::atomic<bool> stop{false};
    CPcmReader reader(stop);
    ASSERT_EQ(reader.Open(FromPath(m_file)), eReadError::None);
    Planes pcm;
    std::atomic<CPcmReader::ePull> last{CPcmReader::ePull::Samples};
    std::thread puller([&] { last = PullAll(reader, pcm); });
    while (reader.Position() == 0 && last.load() == CPcmReader::ePull::Samples)
        std::this_thread::yield();
    stop = true;
    puller.join();
    EXPECT_EQ(last.load(), CPcmReader::ePull::Stopped);
    sPcmSpan span;
    EXPECT_EQ(reader.Pull(span), CPcmReader::ePull::Stopped);
    EXPECT_EQ(span.samples, 0);
    EXPECT_LT(pcm.at(0).size(), 20u * 44100u);
}

TEST_F(ReaderStreaming, PositionGrowsWhileAnotherThreadReadsIt)
{
    const std::atomic<bool> stop{false};
    CPcmReader reader(stop);
    ASSERT_EQ(reader.Open(FromPath(m_file)), eReadError::None);
    EXPECT_EQ(reader.Position(), 0);

    std::atomic<bool> done{false};
    std::atomic<bool> monotonic{true};
    std::thread watcher([&] {
        int64_t last = 0;
        while (!done) {
            const int64_t now = reader.Position();
            if (now < last)
                monotonic = false;
            last = now;
            std::this_thread::yield();
        }
    });
    Planes pcm;
    const CPcmReader::ePull last = PullAll(reader, pcm);
    done = true;
    watcher.join();
    EXPECT_EQ(last, CPcmReader::ePull::End);
    EXPECT_TRUE(monotonic);
    EXPECT_NEAR(static_cast<double>(reader.Position()), 20e7, 1e5);
    EXPECT_NEAR(static_cast<double>(reader.Duration()), 20e7, 1e5);
}

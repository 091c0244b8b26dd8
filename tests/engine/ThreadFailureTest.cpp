// Threads that cannot be created end the conversion with a message instead of
// leaving it waiting for ever. pthread_create is interposed in this program
// so that a chosen call fails.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <dlfcn.h>
#include <pthread.h>

#include "engine/Converter.h"
#include "base/EngineState.h"
#include "base/Event.h"
#include "FakeReader.h"
#include "tests/support/TestSupport.h"
#include "base/Text.h"
#include "engine/ThreadPool.h"

namespace {
std::atomic<int> g_threadsCreated{0};
std::atomic<int> g_failingCall{-1};
}  // namespace

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attr, void* (*body)(void*), void* arg)
{
    using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    static const auto real = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
    if (++g_threadsCreated == g_failingCall.load())
        return EAGAIN;
    return real(thread, attr, body, arg);
}

namespace {

class ThreadFailureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_bAbort.store(0);
        g_strError.Clear();
        for (int i = 0; i < 3; ++i) {
            FakeSource source;
            source.frames = 44100 / 2;
            const std::u16string path = u"/fake/" + FromUtf8(std::to_string(i));
            FakeSources::Instance().Add(path, source);
            m_files.push_back({path, FromUtf8(std::to_string(i)), 100});
        }
        m_output = FromPath(m_dir / "book.m4b");
    }
    void TearDown() override { g_failingCall.store(-1); }

    // Converts with the n-th thread creation failing; true when the job
    // ended on its own.
    bool ConvertWithFailingThread(int n)
    {
        CConverter job(&m_metadata, &m_files, &m_cover, &m_output, StandardStreams(), m_pool);
        g_threadsCreated.store(0);
        g_failingCall.store(n);
        job.Start();
        const bool ended = job.WaitForEnd(20000);
        g_failingCall.store(-1);
        if (!ended) {
            job.Abort();
            job.WaitForEnd(INFINITE_WAIT);
        }
        return ended;
    }

    testsupport::TempDir m_dir;
    FakeSources::Installed m_fakes;
    sTagInfo m_metadata;
    sCoverData m_cover;
    std::vector<sInputFile> m_files;
    std::u16string m_output;
    // One thread at a time keeps the order of creation fixed: the job, then
    // per file its task and its decoder's streaming thread.
    CThreadPool m_pool{1};
};

TEST_F(ThreadFailureTest, JobThread)
{
    EXPECT_TRUE(ConvertWithFailingThread(1));
    EXPECT_EQ(g_bAbort.load(), 1);
    EXPECT_EQ(g_strError.Get(), u"Couldn't start the conversion thread");
}

TEST_F(ThreadFailureTest, FirstTaskThread)
{
    EXPECT_TRUE(ConvertWithFailingThread(2));
    EXPECT_EQ(g_strError.Get(), u"Couldn't start a conversion thread");
    EXPECT_FALSE(std::filesystem::exists(ToPath(m_output)));
}

TEST_F(ThreadFailureTest, DecoderStreamingThread)
{
    EXPECT_TRUE(ConvertWithFailingThread(3));
    EXPECT_EQ(g_strError.Get(), u"Can't read file /fake/0");
}

TEST_F(ThreadFailureTest, PendingTaskThreadEndsTheTasksQueuedBehindIt)
{
    EXPECT_TRUE(ConvertWithFailingThread(4));
    EXPECT_EQ(g_strError.Get(), u"Couldn't start a conversion thread");
    EXPECT_EQ(FakeSources::Instance().OpenOrder().size(), 1u);
    EXPECT_EQ(m_pool.Active(), 0);
}

}  // namespace

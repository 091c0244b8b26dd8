// Threads that cannot be created end the conversion with a message instead of
// leaving it waiting for ever. pthread_create is interposed in this program
// so that a chosen call fails.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <dlfcn.h>
#include <pthread.h>
#include <thread>

#include "engine/Converter.h"
#include "base/Event.h"
#include "FakeReader.h"
#include "tests/support/TestSupport.h"
#include "base/Text.h"
#include "tests/support/Probe.h"
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

// The n-th thread creation of a conversion on an executor of one thread
// fails: first the job thread, then the executor's thread, then the first
// unit's decoding thread.
struct sFailingThread {
    const char* name;
    int call;
    eOutcome outcome;
    const char16_t* error;
};

void PrintTo(const sFailingThread& c, std::ostream* os) { *os << c.name; }

class ThreadFailureTest : public ::testing::TestWithParam<sFailingThread> {
protected:
    void SetUp() override
    {
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
        CThreadPool pool(1);
        sConversionContext context;
        context.m_files = m_files;
        context.m_strOutput = m_output;
        context.m_pPool = &pool;
        context.m_openReader = m_fakes.Factory();
        CConverter job(std::move(context));
        g_threadsCreated.store(0);
        g_failingCall.store(n);
        job.Start();
        const bool ended = job.WaitForEnd(20000);
        g_failingCall.store(-1);
        if (!ended) {
            job.Abort();
            job.WaitForEnd(INFINITE_WAIT);
        }
        m_outcome = job.Outcome();
        return ended;
    }

    testsupport::TempDir m_dir;
    FakeSources::Installed m_fakes;
    std::vector<sInputFile> m_files;
    std::u16string m_output;
    sConversionOutcome m_outcome;
};

TEST_P(ThreadFailureTest, EndsTheConversionWithAMessage)
{
    const sFailingThread& c = GetParam();
    EXPECT_TRUE(ConvertWithFailingThread(c.call));
    EXPECT_EQ(m_outcome.m_eOutcome, c.outcome);
    EXPECT_EQ(m_outcome.m_strError, c.error);
    if (c.call < 3) {
        EXPECT_FALSE(std::filesystem::exists(ToPath(m_output)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Threads, ThreadFailureTest,
    ::testing::Values(sFailingThread{"JobThread", 1, eOutcome::Failed, u"Couldn't start the conversion thread"},
                      sFailingThread{"OnlyExecutorThread", 2, eOutcome::Failed, u"Couldn't start a conversion thread"},
                      sFailingThread{"DecodingThread", 3, eOutcome::Failed, u"Can't read file /fake/0"}),
    [](const ::testing::TestParamInfo<sFailingThread>& info) { return std::string(info.param.name); });

// A thread the executor cannot add leaves the jobs to the threads it has.
TEST(ExecutorThreadFailure, JobsWaitForTheThreadsThatRun)
{
    std::atomic<bool> release{false};
    std::atomic<int> ran{0};
    {
        CThreadPool pool(2);
        g_threadsCreated.store(0);
        g_failingCall.store(2);
        ASSERT_TRUE(pool.Submit([&] {
            while (!release.load())
                std::this_thread::yield();
            ++ran;
        }));
        // The first thread is busy: the second job asks for a thread, gets none, and waits.
        ASSERT_TRUE(pool.Submit([&] { ++ran; }));
        g_failingCall.store(-1);
        EXPECT_EQ(g_threadsCreated.load(), 2);
        release.store(true);
    }
    EXPECT_EQ(ran.load(), 2);
}

}  // namespace

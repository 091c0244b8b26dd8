// An AAC encode call that fails ends the conversion with a message instead of
// leaving a gap in a book reported complete. avcodec_send_frame is interposed
// in this program so that a chosen call fails.
#include <gtest/gtest.h>

#include <atomic>
#include <dlfcn.h>
#include <ostream>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "engine/UnitEncoder.h"
#include "FakeReader.h"
#include "engine/FrameQueue.h"

namespace {
enum class FailingCall { None, ThirdBlock, Flush };
std::atomic<FailingCall> g_failingCall{FailingCall::None};
std::atomic<int> g_blocksSent{0};
}  // namespace

extern "C" int avcodec_send_frame(AVCodecContext* context, const AVFrame* frame)
{
    using Send = int (*)(AVCodecContext*, const AVFrame*);
    static const auto real = reinterpret_cast<Send>(dlsym(RTLD_NEXT, "avcodec_send_frame"));
    const FailingCall failing = g_failingCall.load();
    // A null frame starts the flush.
    const bool fail = frame != nullptr ? failing == FailingCall::ThirdBlock && ++g_blocksSent == 3
                                       : failing == FailingCall::Flush;
    return fail ? AVERROR(EIO) : real(context, frame);
}

namespace {

void PrintTo(FailingCall call, std::ostream* os) { *os << (call == FailingCall::Flush ? "flush" : "third block"); }

class EncodeFailureTest : public ::testing::TestWithParam<FailingCall> {
protected:
    void SetUp() override
    {
        g_blocksSent.store(0);
        m_context.m_openReader = m_fakes.Factory();
    }
    void TearDown() override { g_failingCall.store(FailingCall::None); }
    FakeSources::Installed m_fakes;
    sConversionContext m_context;
    CRunState m_run;
};

TEST_P(EncodeFailureTest, PrintsTheLibraryLineThenEndsTheConversion)
{
    FakeSource source;
    source.frames = 10 * 1024;
    FakeSources::Instance().Add(u"/fake/file.wav", source);
    const sInputFile input{u"/fake/file.wav", u"file", 0};
    CFrameQueue frames(StandardStreams(), m_run.StopFlag());
    CUnitEncoder encoder(m_context, m_run, nullptr, input, &frames);
    ASSERT_TRUE(encoder.HasReader());

    g_failingCall.store(GetParam());
    testing::internal::CaptureStderr();
    encoder.Run();
    const std::string err = testing::internal::GetCapturedStderr();

    EXPECT_NE(err.find("AAC encoding failed\n"), std::string::npos) << err;
    EXPECT_TRUE(m_run.Stopped());
    EXPECT_EQ(m_run.Error(), u"Can't encode file /fake/file.wav");
    EXPECT_TRUE(frames.IsEnded());  // the writer still learns the file's end
}

INSTANTIATE_TEST_SUITE_P(Calls, EncodeFailureTest, ::testing::Values(FailingCall::ThirdBlock, FailingCall::Flush),
                         [](const ::testing::TestParamInfo<FailingCall>& info) {
                             return info.param == FailingCall::Flush ? "Flush" : "Block";
                         });

}  // namespace

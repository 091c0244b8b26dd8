// The capture renderer's rules: which media types it takes, what reaches the
// consumer, and how the end of the stream and an abort are handled.
#include <gtest/gtest.h>

#include <optional>

#include "DecodeTestSupport.h"
#include "base/EngineState.h"
#include "decode/Graph.h"
#include "decode/MediaSample.h"
#include "decode/Render.h"

using decodetest::CPcmCollector;

namespace {

CMediaType Pcm(uint32_t rate, uint16_t channels, uint16_t bits = 16)
{
    WAVEFORMATEX f = MakePcm16Format(rate, channels);
    f.wBitsPerSample = bits;
    return CMediaType::FromWaveFormat(f);
}

CMediaType WithCbSize(CMediaType type, uint16_t cbSize)
{
    WAVEFORMATEX f = *type.WaveFormat();
    f.cbSize = cbSize;
    return CMediaType::FromWaveFormat(f);
}

CMediaType WithFormatTag(CMediaType type, uint16_t tag)
{
    WAVEFORMATEX f = *type.WaveFormat();
    f.wFormatTag = tag;
    return CMediaType::FromWaveFormat(f);
}

CMediaType Retyped(CMediaType type, MajorType major, SubType sub, FormatType formatType)
{
    type.majortype = major;
    type.subtype = sub;
    type.formattype = formatType;
    return type;
}

CMediaType WithoutBlock(CMediaType type)
{
    type.format.clear();
    return type;
}

CMediaType ShortBlock(CMediaType type)
{
    type.format.resize(10);
    return type;
}

const WAVEFORMATEX kBookFormat = MakePcm16Format(44100, 2);

struct TypeRule {
    const char* name;
    std::optional<CMediaType> type;  // none: a null pointer
    bool required;                   // kBookFormat is required
    HRESULT expected;
};

class RendererFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_bAbort = 0;
        m_owner.m_pCallback = &m_consumer;
    }
    void TearDown() override { g_bAbort = 0; }

    HRESULT Render(const std::vector<uint8_t>& bytes)
    {
        CMemorySample sample(bytes.data(), bytes.size());
        return m_render.Receive(&sample);
    }

    CGraphSound m_owner{u"/nonexistent/never-opened.wav", nullptr};
    CPcmCollector m_consumer;
    CRender m_render{&m_owner, nullptr};
};

}  // namespace

TEST(RendererTypes, CheckMediaTypeFollowsTheFormatRules)
{
    const CMediaType stereo = Pcm(44100, 2);
    const std::vector<TypeRule> rules = {
        {"no type", std::nullopt, false, E_POINTER},
        {"video major type", Retyped(stereo, MajorType::Video, SubType::PCM, FormatType::WaveFormatEx), false,
         E_INVALIDARG},
        {"float subtype", Retyped(stereo, MajorType::Audio, SubType::IEEE_Float, FormatType::WaveFormatEx), false,
         E_INVALIDARG},
        {"other format type passes", Retyped(stereo, MajorType::Audio, SubType::PCM, FormatType::Other), false,
         S_OK},
        {"no format type passes", Retyped(stereo, MajorType::Audio, SubType::PCM, FormatType::None), false, S_OK},
        {"wave format without block", WithoutBlock(stereo), false, E_INVALIDARG},
        {"wave format with short block", ShortBlock(stereo), false, E_INVALIDARG},
        {"16-bit mono", Pcm(22050, 1), false, S_OK},
        {"16-bit stereo", stereo, false, S_OK},
        {"zero channels", Pcm(44100, 0), false, S_OK},
        {"three channels", Pcm(44100, 3), false, E_INVALIDARG},
        {"six channels", Pcm(48000, 6), false, E_INVALIDARG},
        {"8-bit", Pcm(44100, 2, 8), false, E_INVALIDARG},
        {"24-bit", Pcm(44100, 2, 24), false, E_INVALIDARG},
        {"odd rate and tag are not examined", WithFormatTag(Pcm(12345, 2), 3), false, S_OK},
        {"required: identical", stereo, true, S_OK},
        {"required: other rate", Pcm(48000, 2), true, E_INVALIDARG},
        {"required: other channels", Pcm(44100, 1), true, E_INVALIDARG},
        {"required: only cbSize differs", WithCbSize(stereo, 22), true, E_INVALIDARG},
        {"required: no block", WithoutBlock(stereo), true, E_INVALIDARG},
        {"required: other format type passes", Retyped(stereo, MajorType::Audio, SubType::PCM, FormatType::Other),
         true, S_OK},
    };
    CGraphSound owner(u"unused", nullptr);
    for (const auto& rule : rules) {
        CRender render(&owner, nullptr);
        render.m_pRequiredFormat = rule.required ? &kBookFormat : nullptr;
        EXPECT_EQ(render.CheckMediaType(rule.type ? &*rule.type : nullptr), rule.expected) << rule.name;
    }
}

TEST(RendererTypes, SetMediaTypeTakesOnlyCompleteWaveFormats)
{
    const CMediaType stereo = Pcm(44100, 2);
    const std::vector<TypeRule> rules = {
        {"no type", std::nullopt, false, E_POINTER},
        {"other format type", Retyped(stereo, MajorType::Audio, SubType::PCM, FormatType::Other), false,
         E_INVALIDARG},
        {"no format block", WithoutBlock(stereo), false, E_UNEXPECTED},
        {"short format block", ShortBlock(stereo), false, E_UNEXPECTED},
        {"any wave format when nothing is required", Pcm(8000, 6, 24), false, S_OK},
        {"required: identical", stereo, true, S_OK},
        {"required: only cbSize differs", WithCbSize(stereo, 22), true, E_INVALIDARG},
        {"required: other rate", Pcm(22050, 2), true, E_INVALIDARG},
    };
    CGraphSound owner(u"unused", nullptr);
    for (const auto& rule : rules) {
        CRender render(&owner, nullptr);
        render.m_pRequiredFormat = rule.required ? &kBookFormat : nullptr;
        const HRESULT hr = render.SetMediaType(rule.type ? &*rule.type : nullptr);
        EXPECT_EQ(hr, rule.expected) << rule.name;
        if (hr == S_OK)
            EXPECT_EQ(render.m_mtConnected.format, rule.type->format) << rule.name;
        else
            EXPECT_FALSE(render.m_mtConnected.HasFormat()) << rule.name;
    }
}

TEST(RendererTypes, ConnectionNeedsBothChecksAndHappensOnce)
{
    CGraphSound owner(u"unused", nullptr);
    CRender render(&owner, nullptr);
    CRendererInputPin* pin = render.GetPin(0);
    ASSERT_NE(pin, nullptr);

    // Passes CheckMediaType, refused by SetMediaType: no connection.
    const CMediaType noWaveFormat = Retyped(Pcm(44100, 2), MajorType::Audio, SubType::PCM, FormatType::Other);
    EXPECT_EQ(pin->ReceiveConnection(noWaveFormat), E_INVALIDARG);
    EXPECT_EQ(pin->ReceiveConnection(Pcm(44100, 6)), E_INVALIDARG);
    EXPECT_FALSE(pin->IsConnected());

    const CMediaType mono = Pcm(22050, 1);
    EXPECT_EQ(pin->ReceiveConnection(mono), S_OK);
    EXPECT_TRUE(pin->IsConnected());
    EXPECT_EQ(render.m_mtConnected.format, mono.format);
    EXPECT_EQ(pin->ReceiveConnection(Pcm(44100, 2)), VFW_E_ALREADY_CONNECTED);
    EXPECT_EQ(render.m_mtConnected.format, mono.format);
}

TEST(RendererPins, OnlyPinZeroExistsAndStaysTheSame)
{
    CGraphSound owner(u"unused", nullptr);
    CRender render(&owner, nullptr);
    CRendererInputPin* first = render.GetPin(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(render.GetPin(0), first);
    EXPECT_EQ(first->Name(), "In");
    EXPECT_EQ(render.GetPin(1), nullptr);
    EXPECT_EQ(render.GetPin(-1), nullptr);
    CMediaType proposal;
    EXPECT_EQ(first->GetMediaType(0, &proposal), E_NOTIMPL);
}

TEST_F(RendererFixture, SamplesReachTheConsumerInPlace)
{
    ASSERT_EQ(m_render.Run(), S_OK);
    const std::vector<uint8_t> bytes = {1, 2, 3, 4};
    CMemorySample sample(bytes.data(), bytes.size());
    EXPECT_EQ(m_render.Receive(&sample), S_OK);
    EXPECT_EQ(Render({}), S_OK);  // empty: not passed on
    EXPECT_EQ(m_consumer.Samples(), 1);
    EXPECT_EQ(m_consumer.Bytes(), bytes);
    EXPECT_EQ(m_consumer.EndsOfStream(), 0);
}

TEST_F(RendererFixture, WithoutConsumerSamplesAreDropped)
{
    m_owner.m_pCallback = nullptr;
    ASSERT_EQ(m_render.Run(), S_OK);
    EXPECT_EQ(Render({1, 2}), S_OK);
    EXPECT_EQ(m_render.EndOfStream(), S_OK);
    EXPECT_EQ(m_consumer.Samples(), 0);
    EXPECT_EQ(m_consumer.EndsOfStream(), 0);
}

TEST_F(RendererFixture, StoppedRendererRefusesSamples)
{
    EXPECT_EQ(Render({1, 2}), VFW_E_WRONG_STATE);
    ASSERT_EQ(m_render.Run(), S_OK);
    ASSERT_EQ(m_render.Stop(), S_OK);
    EXPECT_EQ(Render({1, 2}), VFW_E_WRONG_STATE);
    EXPECT_EQ(m_consumer.Samples(), 0);
}

TEST_F(RendererFixture, EndOfStreamTellsTheConsumerEachTimeAndRefusesLaterSamples)
{
    ASSERT_EQ(m_render.Run(), S_OK);
    EXPECT_EQ(m_render.EndOfStream(), S_OK);
    EXPECT_EQ(m_consumer.EndsOfStream(), 1);
    EXPECT_EQ(Render({1, 2}), VFW_E_SAMPLE_REJECTED_EOS);
    EXPECT_EQ(m_render.EndOfStream(), S_OK);
    EXPECT_EQ(m_consumer.EndsOfStream(), 2);
    EXPECT_EQ(m_consumer.Samples(), 0);
}

TEST_F(RendererFixture, PinPassesUpstreamEndOfStreamOnce)
{
    CRendererInputPin* pin = m_render.GetPin(0);
    ASSERT_EQ(pin->ReceiveConnection(Pcm(44100, 2)), S_OK);
    ASSERT_EQ(m_render.Run(), S_OK);
    EXPECT_EQ(pin->EndOfStream(), S_OK);
    EXPECT_EQ(pin->EndOfStream(), S_FALSE);
    EXPECT_EQ(m_consumer.EndsOfStream(), 1);
}

TEST_F(RendererFixture, AbortDeliversTheSampleInHandThenEndsTheStream)
{
    ASSERT_EQ(m_render.Run(), S_OK);
    EXPECT_EQ(Render({1, 2}), S_OK);
    g_bAbort = 1;
    EXPECT_EQ(Render({3, 4}), S_OK);
    EXPECT_EQ(m_consumer.Samples(), 2);
    EXPECT_EQ(m_consumer.EndsOfStream(), 1);
    EXPECT_EQ(Render({5, 6}), VFW_E_SAMPLE_REJECTED_EOS);
    EXPECT_EQ(m_consumer.Samples(), 2);
    EXPECT_EQ(m_consumer.SamplesAfterEnd(), 0);
    EXPECT_EQ(m_consumer.Bytes(), (std::vector<uint8_t>{1, 2, 3, 4}));
}

TEST_F(RendererFixture, AbortOnAnEmptySampleStillEndsTheStream)
{
    ASSERT_EQ(m_render.Run(), S_OK);
    g_bAbort = 1;
    EXPECT_EQ(Render({}), S_OK);
    EXPECT_EQ(m_consumer.Samples(), 0);
    EXPECT_EQ(m_consumer.EndsOfStream(), 1);
}

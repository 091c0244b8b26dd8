#include "engine/FrameCopier.h"

#include <algorithm>

#include "base/Text.h"
#include "decode/AacFrameCheck.h"

namespace {
// Places of replaced frames that a warning names; beyond them it counts.
constexpr size_t kPlacesNamed = 5;
}  // namespace

CFrameCopier::CFrameCopier(CRunState& run, const sInputFile& input, const sAacStream& stream,
                           IWriterCallback* writer, bool measureLevels)
    : m_run(run),
      m_pWriter(writer),
      m_stream(stream),
      m_strPath(input.m_strPath),
      m_pReader(std::make_unique<CAacFrameReader>()),
      m_silence(SilentAacFrame(stream))
{
    if (!m_pReader->Open(ToUtf8(m_strPath))) {
        m_run.Fail(FormatWithPath(u"Can't read file %ls", m_strPath));
        m_pReader.reset();
        return;
    }
    m_llDuration = m_pReader->Duration();
    if (measureLevels)
        m_meter.emplace(LevelWindowSamples(stream.m_nSampleRate), 0, UINT64_MAX);
}

void CFrameCopier::Run()
{
    // Every frame keeps its full length, the file's last one too: its
    // padding and the next file's priming open the next chapter, as in an
    // encoded book.
    CAacFrameCheck check(m_stream);
    if (!check.IsOpen())
        m_run.Fail(FormatWithPath(u"Can't convert file %ls", m_strPath));
    for (;;) {
        if (m_run.Stopped())
            break;
        const CAacFrameReader::ReadResult read = m_pReader->Next();
        if (read == CAacFrameReader::ReadResult::End)
            break;
        if (read == CAacFrameReader::ReadResult::Failed) {
            m_run.Fail(FormatWithPath(u"Can't read file %ls", m_strPath));
            break;
        }
        CopyFrame(check);
        m_llPosition.store(m_pReader->Position());
    }
    if (m_meter)
        m_pWriter->OnLevels(m_meter->Take());
    m_pWriter->OnEnd(m_pReader->OwnSamples());
}

void CFrameCopier::CopyFrame(CAacFrameCheck& check)
{
    const uint64_t index = m_nFrames++;
    // The decoder puts out the file's priming first: sample n of the
    // decoded stream is the file's own sample n - Delay.
    const auto measure = [&](const float* const* planes, int channels, int samples) {
        const uint64_t start = index * kAacFrameLength;
        const uint64_t delay = m_pReader->Delay();
        const uint64_t skip = std::min<uint64_t>(delay > start ? delay - start : 0, static_cast<uint64_t>(samples));
        m_planes.assign(planes, planes + channels);
        for (const float*& plane : m_planes)
            plane += skip;
        m_meter->Add(m_planes.data(), channels, samples - static_cast<int>(skip), start + skip - delay);
    };
    if (check.Decodes(m_pReader->Data(), m_pReader->Size(),
                      m_meter ? CAacFrameCheck::SampleSink(measure) : CAacFrameCheck::SampleSink())) {
        m_pWriter->OnFrame(m_pReader->Data(), m_pReader->Size(), kAacFrameLength);
        return;
    }
    m_pWriter->OnFrame(m_silence.data(), static_cast<int>(m_silence.size()), kAacFrameLength);
    if (m_nReplaced++ < kPlacesNamed) {
        const uint64_t start = index * kAacFrameLength;
        const uint64_t own = start > m_pReader->Delay() ? start - m_pReader->Delay() : 0;
        m_replacedAt.push_back(static_cast<int64_t>(own * 10000000ull / m_stream.m_nSampleRate));
    }
}

std::u16string CFrameCopier::Warning() const
{
    if (m_nReplaced == 0)
        return {};
    std::u16string places;
    for (const int64_t at : m_replacedAt)
        places += (places.empty() ? u"" : u", ") + FormatChapterTime(at);
    if (m_nReplaced > m_replacedAt.size())
        places += u", ...";
    const std::u16string count = FromUtf8(std::to_string(m_nReplaced));
    return m_strPath + u": " + count +
           (m_nReplaced == 1 ? u" damaged AAC frame was" : u" damaged AAC frames were") +
           u" replaced by silence (at " + places + u")";
}

sTrackSetup CFrameCopier::TrackSetup() const
{
    sTrackSetup setup;
    setup.format = MakePcm16Format(m_stream.m_nSampleRate, static_cast<uint16_t>(m_stream.m_nChannels));
    setup.config = m_stream.m_config;
    setup.delay = m_pReader ? static_cast<uint32_t>(m_pReader->Delay()) : 0;
    setup.tool = m_stream.m_strTool;
    return setup;
}

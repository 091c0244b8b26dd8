#include "engine/FrameCopier.h"

#include "base/EngineState.h"
#include "base/Text.h"

CFrameCopier::CFrameCopier(const sInputFile& input, const sAacStream& stream, IWriterCallback* writer)
    : m_pWriter(writer), m_stream(stream), m_strPath(input.m_strPath), m_pReader(std::make_unique<CAacFrameReader>())
{
    if (!m_pReader->Open(ToUtf8(m_strPath))) {
        FailConversion(FormatWithPath(u"Can't read file %ls", m_strPath));
        m_pReader.reset();
        return;
    }
    m_llDuration = m_pReader->Duration();
}

void CFrameCopier::Run()
{
    // Every frame keeps its full length, the file's last one too: its
    // padding and the next file's priming open the next chapter, as in an
    // encoded book.
    for (;;) {
        if (g_bAbort.load() != 0)
            break;
        const CAacFrameReader::ReadResult read = m_pReader->Next();
        if (read == CAacFrameReader::ReadResult::End)
            break;
        if (read == CAacFrameReader::ReadResult::Failed) {
            FailConversion(FormatWithPath(u"Can't read file %ls", m_strPath));
            break;
        }
        m_pWriter->OnFrame(m_pReader->Data(), m_pReader->Size(), kAacFrameLength);
        m_llPosition.store(m_pReader->Position());
    }
    m_pWriter->OnEnd(m_pReader->OwnSamples());
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

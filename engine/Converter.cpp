#include "engine/Converter.h"

#include <system_error>

#include "engine/BookWriter.h"
#include "base/EngineState.h"
#include "base/Event.h"
#include "base/Text.h"

CConverter::CConverter(const sTagInfo* metadata, const std::vector<sInputFile>* files, const sCoverData* cover,
                       const std::u16string* outputPath, IConsoleSink& console, CThreadPool& pool,
                       uint64_t prerollFrames)
    : m_pMetadata(metadata),
      m_pFiles(files),
      m_pOutputPath(outputPath),
      m_pWriter(std::make_unique<CBookWriter>(cover, outputPath, pool, console, prerollFrames)),
      m_pEnded(std::make_unique<CEvent>(true, false))
{
}

CConverter::~CConverter()
{
    if (m_thread.joinable())
        m_thread.join();
    m_pWriter.reset();
}

void CConverter::Start()
{
    g_strError.Clear();
    g_bAbort.store(0);
    m_bAbortCalled.store(false);
    try {
        m_thread = std::thread([this] {
            try {
                m_pWriter->WriteBook(*m_pFiles, m_pMetadata);
            } catch (const std::exception& e) {
                FailConversion(u"The conversion failed: " + FromUtf8(e.what()));
                m_pWriter->Abandon();
            }
            End();
        });
    } catch (const std::system_error&) {
        FailConversion(u"Couldn't start the conversion thread");
        End();
    }
}

void CConverter::Abort()
{
    m_bAbortCalled.store(true);
    g_bAbort.store(1);
}

void CConverter::End()
{
    // A failure keeps the first message and is reported even when an abort
    // came after it; an abort that came first leaves no message, because
    // what fails after it is its consequence (FailConversion).
    m_outcome.m_strError = g_strError.Get();
    m_outcome.m_warnings = m_pWriter->Warnings();
    if (!m_outcome.m_strError.empty() || (g_bAbort.load() != 0 && !m_bAbortCalled.load()))
        m_outcome.m_eOutcome = eOutcome::Failed;
    else if (m_bAbortCalled.load())
        m_outcome.m_eOutcome = eOutcome::Aborted;
    else
        m_outcome.m_eOutcome = eOutcome::Completed;
    if (m_outcome.m_eOutcome == eOutcome::Completed)
        m_outcome.m_leftOutChapters = m_pWriter->LeftOutChapters();
    m_outcome.m_strPartialBook = m_pWriter->PartialBook();
    if (!m_outcome.m_strPartialBook.empty())
        m_outcome.m_strKeptFile = *m_pOutputPath;
    m_pEnded->Set();
}

void CConverter::GetProgress(int& position, int& total) const
{
    m_pWriter->GetProgress(position, total);
}

bool CConverter::WaitForEnd(int milliseconds)
{
    return m_pEnded->Wait(milliseconds);
}

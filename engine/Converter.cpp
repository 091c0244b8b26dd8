#include "engine/Converter.h"

#include <filesystem>
#include <system_error>

#include "engine/BookWriter.h"
#include "base/Event.h"
#include "base/Text.h"

CConverter::CConverter(sConversionContext context)
    : m_context(std::move(context)),
      m_pWriter(std::make_unique<CBookWriter>(m_context, m_run)),
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
    try {
        m_thread = std::thread([this] {
            try {
                m_pWriter->WriteBook();
            } catch (const std::exception& e) {
                m_run.Fail(u"The conversion failed: " + FromUtf8(e.what()));
                m_pWriter->Abandon();
            }
            End();
        });
    } catch (const std::system_error&) {
        m_run.Fail(u"Couldn't start the conversion thread");
        End();
    }
}

void CConverter::Abort()
{
    m_bAbortCalled.store(true);
    m_run.Stop();
}

void CConverter::End()
{
    // A failure keeps the first message and is reported even when an abort
    // came after it; an abort that came first leaves no message, because
    // what fails after it is its consequence (CRunState::Fail).
    m_outcome.m_strError = m_run.Error();
    m_outcome.m_warnings = m_pWriter->Warnings();
    if (!m_outcome.m_strError.empty() || (m_run.Stopped() && !m_bAbortCalled.load()))
        m_outcome.m_eOutcome = eOutcome::Failed;
    else if (m_bAbortCalled.load())
        m_outcome.m_eOutcome = eOutcome::Aborted;
    else
        m_outcome.m_eOutcome = eOutcome::Completed;
    if (m_outcome.m_eOutcome == eOutcome::Completed)
        m_outcome.m_leftOutChapters = m_pWriter->LeftOutChapters();
    m_outcome.m_strPartialBook = m_pWriter->PartialBook();
    // A book kept beside the output's name left a file of that name as it
    // was, when there was one (a run that keeps partial books beside it
    // keeps them so also where there was none).
    std::error_code error;
    if (!m_outcome.m_strPartialBook.empty() && std::filesystem::exists(ToPath(m_context.m_strOutput), error))
        m_outcome.m_strKeptFile = m_context.m_strOutput;
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

#include "engine/FileTask.h"

#include "engine/BookWriter.h"
#include "base/Diagnostics.h"
#include "engine/FrameCopier.h"
#include "base/Text.h"

CFileTask::CFileTask(const sConversionContext& context, CRunState& run, int number, const sInputFile* input,
                     const std::optional<WAVEFORMATEX>& requiredFormat, CBookWriter* writer, IThreadPool& pool,
                     const sAacStream* copyOf, const sWorkUnit& unit)
    : m_context(context),
      m_run(run),
      m_pool(pool),
      m_pWriter(writer),
      m_requiredFormat(requiredFormat),
      m_drained(true, false),
      m_finished(true, false),
      m_frames(*context.m_pConsole, run.StopFlag()),
      m_pInput(input),
      m_pCopyOf(copyOf),
      m_unit(unit),
      m_nNumber(number)
{
}

CFileTask::~CFileTask()
{
    Join();
}

void CFileTask::StartThread()
{
    m_thread = std::thread([this] { Run(); });
}

void CFileTask::Join()
{
    if (m_thread.joinable())
        m_thread.join();
}

void CFileTask::EndWithoutThread()
{
    m_frames.SetEnd(true);
    Finish();
    m_pWriter->SetReady();
}

void CFileTask::Run()
{
    TraceLine(ToUtf8(m_pInput->m_strTitle) + "\n");
    if (m_run.Stopped())
        EndWithoutFrames();  // started after an abort: the file is not opened
    else
        ConvertFile();
    // A failure raises the abort too; an abort that comes after this unit
    // ended does not make it incomplete, nor one that comes during this check
    // complete.
    m_bComplete.store(!m_run.Stopped());

    Finish();
    m_pool.OnTaskFinished(this);
    m_drained.Wait(INFINITE_WAIT);
    m_pool.OnTaskReleased(this);
    std::lock_guard<std::mutex> lock(m_lock);
    m_pSource.reset();
}

void CFileTask::ConvertFile()
{
    try {
        std::unique_ptr<IFrameSource> source;
        if (m_pCopyOf)
            source = std::make_unique<CFrameCopier>(m_run, *m_pInput, *m_pCopyOf, &m_frames);
        else
            source = std::make_unique<CEncoder>(m_context, m_run, FixesFormat() ? nullptr : &*m_requiredFormat,
                                                *m_pInput, &m_frames, m_unit);
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_pSource = std::move(source);
        }
        if (m_pSource->IsOpen()) {
            const sTrackSetup setup = m_pSource->TrackSetup();
            {
                std::lock_guard<std::mutex> lock(m_lock);
                m_llDuration = m_pSource->Duration();
            }
            m_frames.SetLead(setup.delay);
            if (FixesFormat()) {
                m_pWriter->CreateOutput(setup);
                m_pWriter->SetReady();
            }
            m_frames.SetEnd(false);
            m_pSource->Run();
            std::lock_guard<std::mutex> lock(m_lock);
            m_strWarning = m_pSource->Warning();
        } else {
            // The source has ended the conversion with its message, or an
            // abort interrupted the open; either way the conversion is over.
            m_run.Stop();
            EndWithoutFrames();
        }
    } catch (const std::exception&) {
        // Out of memory or out of system resources: this conversion ends with
        // a message, the program goes on.
        m_run.Fail(FormatWithPath(u"Can't convert file %ls", m_pInput->m_strPath));
        EndWithoutFrames();
    }
}

void CFileTask::EndWithoutFrames()
{
    // The job thread waits for the first file before it submits the others.
    if (FixesFormat())
        m_pWriter->SetReady();
    m_frames.SetEnd(true);
}

void CFileTask::Finish()
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_finished.Set();
    m_bFinished.store(1);
    if (m_pSource && m_pSource->IsOpen())
        m_pSource->Close();
}

void CFileTask::GetProgress(int64_t& position, int64_t& duration)
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_bFinished.load() != 0) {
        position = duration = m_llDuration;
    } else if (m_pSource && m_pSource->IsOpen()) {
        position = m_pSource->Position();
        duration = m_pSource->Duration();
    } else {
        duration = 0;
    }
}

std::u16string CFileTask::Warning() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_strWarning;
}

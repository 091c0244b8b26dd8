#include "engine/FileTask.h"

#include "engine/BookWriter.h"
#include "base/Diagnostics.h"
#include "base/EngineState.h"
#include "base/Text.h"

std::atomic<int> g_nTaskCount{0};

CFileTask::CFileTask(const sInputFile* input, const std::optional<WAVEFORMATEX>& requiredFormat, CBookWriter* writer,
                     IThreadPool& pool, IConsoleSink& console)
    : m_pool(pool),
      m_pWriter(writer),
      m_console(console),
      m_requiredFormat(requiredFormat),
      m_drained(true, false),
      m_finished(true, false),
      m_frames(console),
      m_pInput(input),
      m_nNumber(g_nTaskCount.fetch_add(1))
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
    if (g_bAbort.load() != 0)
        EndWithoutFrames();  // started after an abort: the file is not opened
    else
        ConvertFile();

    Finish();
    m_pool.OnTaskFinished(this);
    m_drained.Wait(INFINITE_WAIT);
    m_pool.OnTaskReleased(this);
    std::lock_guard<std::mutex> lock(m_lock);
    m_pEncoder.reset();
}

void CFileTask::ConvertFile()
{
    try {
        auto encoder = std::make_unique<CEncoder>(FixesFormat() ? nullptr : &*m_requiredFormat, *m_pInput,
                                                  &m_frames, m_console);
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_pEncoder = std::move(encoder);
        }
        if (m_pEncoder->HasGraph()) {
            {
                std::lock_guard<std::mutex> lock(m_lock);
                m_nDuration = static_cast<int>(m_pEncoder->Graph()->m_llDuration / 10000 / 1000);
            }
            if (FixesFormat()) {
                m_pWriter->CreateOutput(m_pEncoder->Format(), *m_pEncoder->Handle());
                m_pWriter->SetReady();
            }
            m_frames.SetEnd(false);
            m_pEncoder->Run();
        } else {
            // The encoder has ended the conversion with its message, or an
            // abort interrupted the open; either way the conversion is over.
            g_bAbort.store(1);
            EndWithoutFrames();
        }
    } catch (const std::exception&) {
        // Out of memory or out of system resources: this conversion ends with
        // a message, the program goes on.
        FailConversion(FormatWithPath(u"Can't convert file %ls", m_pInput->m_strPath));
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
    if (m_pEncoder && m_pEncoder->HasGraph())
        m_pEncoder->ReleaseGraph();
}

void CFileTask::GetProgress(unsigned& position, unsigned& duration)
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_bFinished.load() != 0) {
        position = duration = static_cast<unsigned>(m_nDuration);
    } else if (m_pEncoder && m_pEncoder->HasGraph()) {
        CGraphSound* graph = m_pEncoder->Graph();
        position = static_cast<unsigned>(graph->GetPosition() / 10000 / 1000);
        duration = static_cast<unsigned>(graph->m_llDuration / 10000 / 1000);
    } else {
        duration = 0;
    }
}

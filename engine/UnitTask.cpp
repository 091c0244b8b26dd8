#include "engine/UnitTask.h"

#include "base/Diagnostics.h"
#include "base/Text.h"
#include "engine/UnitEncoder.h"
#include "engine/FrameCopier.h"

CUnitTask::CUnitTask(const sConversionContext& context, CRunState& run, int number, const sInputFile& input,
                     const std::optional<WAVEFORMATEX>& requiredFormat, const sAacStream* copyOf,
                     const sWorkUnit& unit)
    : m_context(context),
      m_run(run),
      m_input(input),
      m_requiredFormat(requiredFormat),
      m_pCopyOf(copyOf),
      m_unit(unit),
      m_nNumber(number),
      m_frames(*context.m_pConsole, run.StopFlag()),
      m_opened(true, false),
      m_finished(true, false)
{
}

void CUnitTask::Run()
{
    TraceLine(Printf("%d ", m_nNumber) + ToUtf8(m_input.m_strTitle) + "\n");
    if (m_run.Stopped())
        EndWithoutFrames();  // started after a stop: the file is not opened
    else
        ConvertUnit();
    // A failure stops the conversion too; a stop that comes after this unit
    // ended does not make it incomplete, nor one that comes during this check
    // complete.
    m_bComplete.store(!m_run.Stopped());
    Finish();
}

void CUnitTask::EndWithoutRunning()
{
    EndWithoutFrames();
    Finish();
}

void CUnitTask::ConvertUnit()
{
    try {
        std::unique_ptr<IFrameSource> source;
        if (m_pCopyOf)
            source = std::make_unique<CFrameCopier>(m_run, m_input, *m_pCopyOf, &m_frames,
                                                    m_context.m_split.m_eMode == eSplitMode::Pauses);
        else
            source = std::make_unique<CUnitEncoder>(m_context, m_run, FixesFormat() ? nullptr : &*m_requiredFormat,
                                                m_input, &m_frames, m_unit);
        IFrameSource& opened = *source;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_pSource = std::move(source);
            if (opened.IsOpen()) {
                m_setup = opened.TrackSetup();
                m_llDuration = opened.Duration();
            }
        }
        if (!opened.IsOpen()) {
            // The source has stopped the conversion with its message, or a
            // stop interrupted the open; either way the conversion is over.
            m_run.Stop();
            EndWithoutFrames();
            return;
        }
        m_frames.SetLead(m_setup->delay);
        m_frames.SetEnd(false);
        m_opened.Set();
        opened.Run();
        std::lock_guard<std::mutex> lock(m_lock);
        m_strWarning = opened.Warning();
    } catch (const std::exception&) {
        // Out of memory or out of system resources: this conversion ends with
        // a message, the program goes on.
        m_run.Fail(FormatWithPath(u"Can't convert file %ls", m_input.m_strPath));
        EndWithoutFrames();
    }
}

void CUnitTask::EndWithoutFrames()
{
    m_frames.SetEnd(true);
    m_opened.Set();
}

void CUnitTask::Finish()
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_bFinished = true;
        if (m_pSource && m_pSource->IsOpen())
            m_pSource->Close();
        m_pSource.reset();
    }
    m_finished.Set();
}

std::optional<sTrackSetup> CUnitTask::TrackSetup() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_setup;
}

void CUnitTask::GetProgress(int64_t& position, int64_t& duration)
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_bFinished) {
        position = duration = m_llDuration;
    } else if (m_pSource && m_pSource->IsOpen()) {
        position = m_pSource->Position();
        duration = m_pSource->Duration();
    } else {
        duration = 0;
    }
}

std::u16string CUnitTask::Warning() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_strWarning;
}

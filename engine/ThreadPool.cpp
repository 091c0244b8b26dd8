#include "ThreadPool.h"

#include <sched.h>
#include <system_error>

#include "Diagnostics.h"
#include "EngineState.h"
#include "FileTask.h"

CThreadPool g_ThreadPool;

CThreadPool::CThreadPool() : CThreadPool(ProcessorsAvailable()) {}

CThreadPool::CThreadPool(int size) : m_nSize(size < 1 ? 1 : size), m_event(false, false) {}

int CThreadPool::ProcessorsAvailable()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0)
        return 1;
    const int count = CPU_COUNT(&set);
    return count < 1 ? 1 : count;
}

void CThreadPool::Resize(int size)
{
    m_nSize.store(size < 1 ? 1 : size);
}

void CThreadPool::StartTask(CFileTask* task)
{
    try {
        task->StartThread();
    } catch (const std::system_error&) {
        m_nActive.fetch_sub(1);
        FailConversion(u"Couldn't start a conversion thread");
        task->EndWithoutThread();
        m_event.Set();
    }
}

void CThreadPool::Submit(CFileTask* task)
{
    if (m_nActive.load() < m_nSize.load()) {
        m_nActive.fetch_add(1);
        StartTask(task);
        return;
    }
    std::lock_guard<std::mutex> lock(m_lock);
    m_pending.push_back(task);
}

void CThreadPool::OnTaskFinished(CFileTask* task)
{
    m_nActive.fetch_sub(1);
    m_nCompleted.fetch_add(1);
    m_event.Set();

    std::unique_lock<std::mutex> lock(m_lock);
    TraceLine(Printf("%d   > pool=%d active=%d compl=%d\n", task->Number(), static_cast<int>(m_pending.size()),
                     m_nActive.load(), m_nCompleted.load()));
    const int size = m_nSize.load();
    while (!m_pending.empty()) {
        if (g_bAbort.load() != 0) {
            // No pending task starts after an abort; each is ended so that
            // the writer, which drains the tasks in order, sees its end.
            while (!m_pending.empty()) {
                CFileTask* pending = m_pending.front();
                m_pending.pop_front();
                pending->Frames().SetEnd(true);
                pending->Finish();
            }
            break;
        }
        if (m_nActive.load() <= size && m_nCompleted.load() <= 2 * size + 1) {
            TraceLine(Printf("%d  *  pool=%d active=%d compl=%d\n", task->Number(),
                             static_cast<int>(m_pending.size()), m_nActive.load(), m_nCompleted.load()));
            CFileTask* next = m_pending.front();
            m_pending.pop_front();
            m_nActive.fetch_add(1);
            StartTask(next);
            m_event.Set();
            break;
        }
        m_event.Wait(INFINITE_WAIT);
    }
}

void CThreadPool::OnTaskReleased(CFileTask*)
{
    m_nCompleted.fetch_sub(1);
    m_event.Set();
}

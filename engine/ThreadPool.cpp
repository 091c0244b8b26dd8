#include "engine/ThreadPool.h"

#include <chrono>
#include <sched.h>
#include <system_error>

#include "base/Diagnostics.h"
#include "engine/FileTask.h"

CThreadPool::CThreadPool() : CThreadPool(ProcessorsAvailable()) {}

CThreadPool::CThreadPool(int size) : m_nSize(size < 1 ? 1 : size) {}

int CThreadPool::ProcessorsAvailable()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0)
        return 1;
    const int count = CPU_COUNT(&set);
    return count < 1 ? 1 : count;
}

bool CThreadPool::StartTask(CFileTask* task)
{
    m_nActive.fetch_add(1);
    try {
        task->StartThread();
        return true;
    } catch (const std::system_error&) {
        m_nActive.fetch_sub(1);
        task->Fail(u"Couldn't start a conversion thread");
        task->EndWithoutThread();
        return false;
    }
}

void CThreadPool::Submit(CFileTask* task)
{
    // Decided under the lock, so that a task finishing at this moment either
    // sees this one pending or leaves its place for it. Files wait behind
    // files already pending, so they start oldest first.
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_pending.empty() && m_nActive.load() < m_nSize) {
        if (!StartTask(task))
            EndPendingLocked();
        return;
    }
    m_pending.push_back(task);
}

void CThreadPool::EndPending()
{
    std::lock_guard<std::mutex> lock(m_lock);
    EndPendingLocked();
}

void CThreadPool::EndPendingLocked()
{
    while (!m_pending.empty()) {
        CFileTask* pending = m_pending.front();
        m_pending.pop_front();
        pending->Frames().SetEnd(true);
        pending->Finish();
    }
}

void CThreadPool::OnTaskFinished(CFileTask* task)
{
    m_nActive.fetch_sub(1);
    m_nCompleted.fetch_add(1);

    std::unique_lock<std::mutex> lock(m_lock);
    TraceLine(Printf("%d   > pool=%d active=%d compl=%d\n", task->Number(), static_cast<int>(m_pending.size()),
                     m_nActive.load(), m_nCompleted.load()));
    const int size = m_nSize;
    while (!m_pending.empty()) {
        if (task->Stopped()) {
            // No pending task starts after an abort; each is ended so that
            // the writer, which drains the tasks in order, sees its end.
            EndPendingLocked();
            break;
        }
        if (m_nActive.load() <= size && m_nCompleted.load() <= 2 * size + 1) {
            TraceLine(Printf("%d  *  pool=%d active=%d compl=%d\n", task->Number(),
                             static_cast<int>(m_pending.size()), m_nActive.load(), m_nCompleted.load()));
            CFileTask* next = m_pending.front();
            m_pending.pop_front();
            if (StartTask(next))
                break;
            continue;  // the failure raised the abort: the others are ended next
        }
        // Too many finished files wait for the writer. The wait releases the
        // lock, so the job thread can still submit, and polls the abort flag.
        m_changed.wait_for(lock, std::chrono::milliseconds(10));
    }
}

void CThreadPool::OnTaskReleased(CFileTask*)
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_nCompleted.fetch_sub(1);
    }
    m_changed.notify_all();
}

#pragma once
// Gives file tasks their threads: as many run at once as the process may use
// processors; the others wait in submission order. No new task starts while
// too many finished tasks still wait for the writer.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "engine/Interfaces.h"

class CThreadPool : public IThreadPool {
public:
    CThreadPool();  // size from the processors this process may run on
    explicit CThreadPool(int size);
    CThreadPool(const CThreadPool&) = delete;
    CThreadPool& operator=(const CThreadPool&) = delete;

    void Submit(CFileTask* task);
    void OnTaskFinished(CFileTask* task) override;
    void OnTaskReleased(CFileTask* task) override;
    // Ends every pending task without a thread (after an abort, when no
    // running task is left to do it).
    void EndPending();

    int Size() const { return m_nSize; }
    int Active() const { return m_nActive.load(); }
    int Completed() const { return m_nCompleted.load(); }

    // The number of processors in this process's affinity mask, at least 1.
    static int ProcessorsAvailable();

private:
    // Starts the task's thread; a thread that cannot be created ends the
    // conversion with a message and the task without a thread. Under m_lock.
    bool StartTask(CFileTask* task);
    void EndPendingLocked();

    const int m_nSize;
    std::atomic<int> m_nActive{0};
    std::atomic<int> m_nCompleted{0};
    std::condition_variable m_changed;
    std::deque<CFileTask*> m_pending;
    std::mutex m_lock;
};

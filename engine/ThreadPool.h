#pragma once
// The executor that work units run on: at most Size() jobs run at once, each
// on a thread of its own, the others wait and start in submission order. It
// knows nothing of the jobs: a conversion bounds how far it runs ahead, and
// conversions may share one pool.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class CThreadPool {
public:
    CThreadPool();  // size from the processors this process may run on
    explicit CThreadPool(int size);
    // Waits for the jobs already submitted, then ends the threads.
    ~CThreadPool();
    CThreadPool(const CThreadPool&) = delete;
    CThreadPool& operator=(const CThreadPool&) = delete;

    // Queues `job`. A thread is started for it while fewer than Size() run;
    // when none can be started the job waits for a running one. False when
    // no thread runs at all and none can be started: the job is dropped.
    bool Submit(std::function<void()> job);

    int Size() const { return m_nSize; }

    // The number of processors in this process's affinity mask, at least 1.
    static int ProcessorsAvailable();

private:
    void Work();

    const int m_nSize;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
    std::vector<std::thread> m_threads;
    int m_nIdle = 0;
    bool m_bEnding = false;
};

#include "engine/ThreadPool.h"

#include <sched.h>
#include <system_error>

CThreadPool::CThreadPool() : CThreadPool(ProcessorsAvailable()) {}

CThreadPool::CThreadPool(int size) : m_nSize(size < 1 ? 1 : size) {}

CThreadPool::~CThreadPool()
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_bEnding = true;
    }
    m_wake.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

int CThreadPool::ProcessorsAvailable()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0)
        return 1;
    const int count = CPU_COUNT(&set);
    return count < 1 ? 1 : count;
}

bool CThreadPool::Submit(std::function<void()> job)
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_jobs.push_back(std::move(job));
        const bool waitsForAThread = m_jobs.size() > static_cast<size_t>(m_nIdle);
        if (waitsForAThread && m_threads.size() < static_cast<size_t>(m_nSize)) {
            try {
                m_threads.emplace_back([this] { Work(); });
            } catch (const std::system_error&) {
                // The threads that run already take the job in turn.
                if (m_threads.empty()) {
                    m_jobs.pop_back();
                    return false;
                }
            }
        }
    }
    m_wake.notify_one();
    return true;
}

void CThreadPool::Work()
{
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
        ++m_nIdle;
        m_wake.wait(lock, [this] { return m_bEnding || !m_jobs.empty(); });
        --m_nIdle;
        if (m_jobs.empty())
            return;  // ending, with nothing left to run
        std::function<void()> job = std::move(m_jobs.front());
        m_jobs.pop_front();
        lock.unlock();
        job();
        lock.lock();
    }
}

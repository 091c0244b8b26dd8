#include "cli/StopSignals.h"

#include <atomic>
#include <pthread.h>

namespace {

// The first stop signal caught, 0 before one. Lock-free, so that the handler
// may touch it whichever thread it interrupts.
std::atomic<int> g_nStopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

// Only async-signal-safe calls here.
extern "C" void OnStopSignal(int signal)
{
    int none = 0;
    if (g_nStopSignal.compare_exchange_strong(none, signal))
        return;
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

CStopSignals::CStopSignals()
{
    g_nStopSignal = 0;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &m_previousInterrupt);
    sigaction(SIGTERM, &action, &m_previousTerminate);
}

CStopSignals::~CStopSignals()
{
    sigaction(SIGINT, &m_previousInterrupt, nullptr);
    sigaction(SIGTERM, &m_previousTerminate, nullptr);
}

int CaughtStopSignal()
{
    return g_nStopSignal.load();
}

CStopSignalsBlocked::CStopSignalsBlocked()
{
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, &m_previous);
}

CStopSignalsBlocked::~CStopSignalsBlocked()
{
    pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
}

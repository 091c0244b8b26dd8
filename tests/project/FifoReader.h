#pragma once
// Calls a reader on a FIFO that no process writes to. A reader that blocks on
// such a FIFO is released (by opening the FIFO for writing once) so that the
// test fails instead of hanging.
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <future>
#include <unistd.h>

namespace fifotest {

// True when `read` returned within a few seconds by itself.
inline bool ReturnsWithoutWriter(const std::filesystem::path& fifo, const std::function<void()>& read)
{
    std::future<void> done = std::async(std::launch::async, read);
    if (done.wait_for(std::chrono::seconds(5)) == std::future_status::ready)
        return true;
    const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (writer >= 0)
        ::close(writer);  // the reader now sees the end of the data
    done.wait();
    return false;
}

}  // namespace fifotest

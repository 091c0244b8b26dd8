#include "mp4/FileSink.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace mp4 {

namespace {
// Large enough that tiny samples do not cost one system call each.
constexpr size_t BUFFER_SIZE = 1 << 20;
}  // namespace

UniqueFd::~UniqueFd()
{
    Close();
}

bool UniqueFd::Close()
{
    if (m_fd < 0)
        return true;
    const int result = ::close(m_fd);
    m_fd = -1;
    // After EINTR the descriptor is gone on Linux and the data may not have
    // reached the file: treat it as a failure too.
    return result == 0;
}

std::unique_ptr<FileSink> FileSink::Open(const std::filesystem::path& path, std::string* error)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (error)
            *error = std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<FileSink>(new FileSink(fd));
}

FileSink::FileSink(int fd) : m_fd(fd)
{
    m_buffer.reserve(BUFFER_SIZE);
}

bool FileSink::Fail(const char* what, int error)
{
    if (!m_failed) {
        m_failed = true;
        m_error = std::string(what) + ": " + (error ? std::strerror(error) : "nothing written");
    }
    return false;
}

bool FileSink::Write(const void* data, size_t size)
{
    if (m_failed || m_closed)
        return false;
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (m_buffer.size() + size > BUFFER_SIZE && !Flush())
        return false;
    if (size >= BUFFER_SIZE) {
        // Big blocks (the index) go straight out, without a copy.
        if (!WriteAll(bytes, size))
            return false;
        m_flushed += size;
        return true;
    }
    m_buffer.insert(m_buffer.end(), bytes, bytes + size);
    return true;
}

bool FileSink::WriteAll(const uint8_t* data, size_t size)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(m_fd.Get(), data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Fail("write", n < 0 ? errno : 0);
        done += static_cast<size_t>(n);
    }
    return true;
}

bool FileSink::Flush()
{
    if (m_failed || m_closed)
        return false;
    if (!WriteAll(m_buffer.data(), m_buffer.size()))
        return false;
    m_flushed += m_buffer.size();
    m_buffer.clear();
    return true;
}

bool FileSink::WriteAt(uint64_t offset, const void* data, size_t size)
{
    if (!Flush())
        return false;
    const auto* bytes = static_cast<const uint8_t*>(data);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(m_fd.Get(), bytes + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Fail("pwrite", n < 0 ? errno : 0);
        done += static_cast<size_t>(n);
    }
    return true;
}

bool FileSink::Skip(uint64_t count)
{
    if (!Flush())
        return false;
    if (::lseek(m_fd.Get(), static_cast<off_t>(count), SEEK_CUR) < 0)
        return Fail("lseek", errno);
    m_flushed += count;
    return true;
}

bool FileSink::Close()
{
    if (m_closed)
        return !m_failed;
    Flush();
    m_closed = true;
    // Some write-back errors (network file systems, delayed allocation) are
    // only reported here; devices that cannot sync are not a failure.
    if (!m_failed && ::fsync(m_fd.Get()) != 0 && errno != EINVAL && errno != EROFS)
        Fail("fsync", errno);
    if (!m_fd.Close())
        Fail("close", errno);
    return !m_failed;
}

}  // namespace mp4

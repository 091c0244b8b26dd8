#pragma once
// The output file as a buffered byte sink. Remembers the first failure (short
// write, no space, failed close) so that no later call can report success.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace mp4 {

// Owns one file descriptor; closes it when destroyed.
class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : m_fd(fd) {}
    ~UniqueFd();
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int Get() const { return m_fd; }
    // Closes now; false when close() reports an error.
    bool Close();

private:
    int m_fd;
};

class FileSink {
public:
    // Creates or truncates `path`. Null with `error` set when it cannot be opened.
    static std::unique_ptr<FileSink> Open(const std::filesystem::path& path, std::string* error);

    // Appends bytes (buffered). False once anything has failed.
    bool Write(const void* data, size_t size);
    // Overwrites bytes already written, at `offset`.
    bool WriteAt(uint64_t offset, const void* data, size_t size);
    // Moves the end forward by `count` bytes without writing them (a hole).
    bool Skip(uint64_t count);
    bool Flush();
    // Flushes and closes; false when anything failed, now or before.
    bool Close();

    uint64_t Position() const { return m_flushed + m_buffer.size(); }
    bool Failed() const { return m_failed; }
    const std::string& Error() const { return m_error; }

private:
    explicit FileSink(int fd);
    bool Fail(const char* what, int error);
    bool WriteAll(const uint8_t* data, size_t size);

    UniqueFd m_fd;
    std::vector<uint8_t> m_buffer;
    uint64_t m_flushed = 0;
    bool m_failed = false;
    bool m_closed = false;
    std::string m_error;
};

}  // namespace mp4

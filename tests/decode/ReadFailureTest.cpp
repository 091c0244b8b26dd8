// A read that fails in the middle of a file is not its end: the reader says
// it failed, so that the conversion ends with a message instead of a chapter
// cut short. read is interposed in
// this program so that reads of a chosen file fail from a chosen offset on,
// as on a failing disk or a dropped network share.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <dlfcn.h>
#include <string>
#include <unistd.h>

#include "DecodeTestSupport.h"
#include "tests/support/TestSupport.h"
#include "base/Text.h"

namespace fs = std::filesystem;

namespace {
constexpr off_t kFailFrom = 1 << 20;
std::string g_failingFile;  // written only while no read can fail
std::atomic<bool> g_failing{false};

bool IsFailingFile(int fd)
{
    char target[4096];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t length = readlink(link.c_str(), target, sizeof target);
    return length > 0 && std::string(target, static_cast<size_t>(length)) == g_failingFile;
}
}  // namespace

extern "C" ssize_t read(int fd, void* buffer, size_t count)
{
    using Read = ssize_t (*)(int, void*, size_t);
    static const auto real = reinterpret_cast<Read>(dlsym(RTLD_NEXT, "read"));
    if (g_failing.load() && IsFailingFile(fd) && lseek(fd, 0, SEEK_CUR) >= kFailFrom) {
        errno = EIO;
        return -1;
    }
    return real(fd, buffer, count);
}

namespace {

TEST(ReadFailure, AnIoErrorInsideAFileIsAFailureNotItsEnd)
{
    testsupport::TempDir dir;
    const fs::path file = dir / "twenty seconds.wav";
    testsupport::GenerateTone(file, 20.0, 44100, 2, 440.0);  // 3.5 MB
    g_failingFile = fs::canonical(file).string();
    g_failing = true;
    const decodetest::DecodeResult r = decodetest::DecodeFile(file);
    g_failing = false;

    EXPECT_EQ(r.error, eReadError::None);
    EXPECT_FALSE(r.ended);
    EXPECT_LT(r.FramesPerChannel() * 4, fs::file_size(file) / 2);  // delivered up to the fault
}

}  // namespace

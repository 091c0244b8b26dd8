#include "engine/PendingBook.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <unistd.h>

#include "base/FileDescriptor.h"

namespace fs = std::filesystem;

namespace {

// ".<name>.tavlin-partial-<pid>.m4b": hidden, and says whose it is and what.
constexpr std::string_view kMark = ".tavlin-partial-";
constexpr std::string_view kSuffix = ".m4b";
constexpr size_t kNameMax = 255;  // bytes of one name on Linux file systems
constexpr auto kStaleAge = std::chrono::hours(24);

std::string TemporaryName(std::string name)
{
    const std::string tail = std::string(kMark) + std::to_string(::getpid()) + std::string(kSuffix);
    // A long name is cut, on a character boundary, so that the temporary
    // name still fits.
    const size_t room = kNameMax - 1 - tail.size();
    if (name.size() > room) {
        name.resize(room);
        while (!name.empty() && (static_cast<unsigned char>(name.back()) & 0xC0) == 0x80)
            name.pop_back();
        if (!name.empty() && static_cast<unsigned char>(name.back()) >= 0xC0)
            name.pop_back();
    }
    return "." + name + tail;
}

bool IsTemporaryName(std::string_view name)
{
    if (name.size() < 2 || name.front() != '.' || !name.ends_with(kSuffix))
        return false;
    const size_t mark = name.rfind(kMark);
    if (mark == std::string_view::npos || mark == 0 || mark + kMark.size() + kSuffix.size() > name.size())
        return false;
    const std::string_view pid = name.substr(mark + kMark.size(), name.size() - mark - kMark.size() - kSuffix.size());
    return !pid.empty() && std::all_of(pid.begin(), pid.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

// Temporary books of runs that were killed: nothing else, and none that was
// written to within the last day (a run still busy writes all the time).
void RemoveStaleTemporaries(const fs::path& folder)
{
    std::error_code error;
    const auto limit = fs::file_time_type::clock::now() - kStaleAge;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        std::error_code entryError;
        if (!IsTemporaryName(entry.path().filename().string()) ||
            entry.symlink_status(entryError).type() != fs::file_type::regular)
            continue;
        const auto written = entry.last_write_time(entryError);
        if (!entryError && written < limit)
            fs::remove(entry.path(), entryError);
    }
}

fs::path FolderOf(const fs::path& file)
{
    return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

// Makes renames in `folder` durable; a folder that cannot be synced is no
// failure (some file systems do not support it).
void SyncFolder(const fs::path& folder)
{
    const CFileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Get() >= 0)
        ::fsync(fd.Get());
}

// Renames without replacing anything; errno is EEXIST when `to` exists.
bool RenameNoReplace(const fs::path& from, const fs::path& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return false;
    // A file system without the flag: look first.
    std::error_code error;
    if (fs::exists(fs::symlink_status(to, error))) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace

CPendingBook::CPendingBook(const fs::path& target) : m_target(target), m_writePath(target)
{
    std::error_code error;
    if (fs::is_symlink(fs::symlink_status(target, error))) {
        const fs::path resolved = fs::canonical(target, error);
        if (!error)
            m_target = resolved;
    }
    const fs::path folder = FolderOf(m_target);
    const fs::file_status status = fs::status(m_target, error);
    if (fs::exists(status) && (!fs::is_regular_file(status) || ::access(m_target.c_str(), W_OK) != 0))
        return;
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return;
    RemoveStaleTemporaries(folder);
    m_writePath = folder / TemporaryName(m_target.filename().string());
}

bool CPendingBook::Commit()
{
    if (m_writePath == m_target)
        return true;
    std::error_code error;
    const fs::file_status replaced = fs::status(m_target, error);
    if (fs::is_regular_file(replaced))
        fs::permissions(m_writePath, replaced.permissions(), error);
    if (::rename(m_writePath.c_str(), m_target.c_str()) != 0)
        return false;
    SyncFolder(FolderOf(m_target));
    return true;
}

fs::path CPendingBook::KeepPartial(bool besideOnly)
{
    if (m_writePath == m_target)
        return {};
    const fs::path folder = FolderOf(m_target);
    if (!besideOnly && RenameNoReplace(m_writePath, m_target)) {
        SyncFolder(folder);
        return {};
    }
    const std::string stem = m_target.stem().string();
    const std::string extension = m_target.extension().string();
    for (int n = 1; n < 100; ++n) {
        const std::string mark = n == 1 ? " (partial)" : " (partial " + std::to_string(n) + ")";
        const fs::path partial = folder / (stem + mark + extension);
        if (RenameNoReplace(m_writePath, partial)) {
            SyncFolder(folder);
            return partial;
        }
        if (errno != EEXIST)
            break;
    }
    // Not renamed: the partial book keeps its temporary name.
    return m_writePath;
}

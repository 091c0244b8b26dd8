#pragma once
// Where a book is written until it is complete: a temporary file beside the
// book's name, renamed over it only when the conversion succeeded, so that
// converting again to the name of an existing book never leaves less than
// that book. A killed run leaves only its temporary file, which a later run
// into the same folder removes once it is a day old.
#include <filesystem>

class CPendingBook {
public:
    // Chooses where the book named `target` is written, and first removes the
    // temporary books that earlier runs left in its folder more than a day
    // ago. A link to a book replaces the book it points to. A target that is
    // not a regular file (a device, a FIFO), that cannot be written, or in a
    // folder where no file can be made is written in place as before: there
    // is no book to keep, or the open is refused as it would be.
    explicit CPendingBook(const std::filesystem::path& target);
    CPendingBook(const CPendingBook&) = delete;
    CPendingBook& operator=(const CPendingBook&) = delete;

    // The file the book is written to.
    const std::filesystem::path& WritePath() const { return m_writePath; }
    // For a book written, closed and synced completely: gives it the target's
    // name (in place of whatever had it, keeping that file's permissions)
    // and syncs the folder, so that the new name survives a crash. False
    // when the rename failed.
    bool Commit();
    // For a book that did not complete: gives it the target's name when no
    // file has that name, as a readable partial book; otherwise leaves that
    // file exactly as it is and keeps the partial book beside it as
    // "<name> (partial).m4b" (or "(partial 2)" ..., never over another file).
    // Returns where it was kept beside the file; empty when it took the
    // target's name or was written in place. With `besideOnly` it never takes
    // the target's name, so that a later run still sees the book as not made.
    std::filesystem::path KeepPartial(bool besideOnly = false);

private:
    std::filesystem::path m_target;
    std::filesystem::path m_writePath;
};

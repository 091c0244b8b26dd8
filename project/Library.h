#pragma once
// A library of book folders: which folders under the given roots become a
// book each, with which files, and where each book is written.
#include <string>
#include <vector>

#include "project/CollectedFiles.h"

// A book folder holds audio files itself, or folders that are parts of one
// book ("CD1", "Disc 2", see PartFolder.h) and hold audio. Its book takes
// what a drop of the folder would, except the folders below it that hold
// books of their own and the books written beside them.
struct sLibraryBook {
    std::u16string m_strFolder;  // the book folder
    // Its path below its root ("Author/Title"); the root's own name when the
    // root is the book folder.
    std::u16string m_strName;
    // "<folder name>.m4b" beside the folder, or under the output folder at
    // the book folder's path below its root.
    std::u16string m_strOutput;
    sCollectedFiles m_files;
};

// The book folders at and below each of `roots` (absolute paths), each
// root's books in natural order ("Book 2" before "Book 10"), the roots in the
// order given. `outputFolder` (absolute; empty: beside each book folder)
// is not searched. Folders that cannot be read, and links back into a folder
// being searched, contribute nothing.
std::vector<sLibraryBook> FindLibraryBooks(const std::vector<std::u16string>& roots,
                                           const std::u16string& outputFolder = {});

// True when the book's output exists: a library run skips the book.
bool LibraryBookExists(const sLibraryBook& book);

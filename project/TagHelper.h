#pragma once
// MediaInfo reports, lengths and chapters read in a child process,
// tavlin-tags, so that a file on which a library spins or allocates without
// end is stopped and counts as a file without tags or chapters, instead of
// hanging the program or exhausting its memory.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "project/TagHelperProtocol.h"

struct sTagReadLimits {
    // A file whose report has not come this long after the previous one (or
    // after the start) is stopped.
    std::chrono::milliseconds m_perFile{5000};
    // The helper's address space; an allocation beyond it ends the helper.
    uint64_t m_nAddressSpaceBytes = uint64_t{1} << 30;
};

// tavlin-tags in the folder of this process's executable.
std::filesystem::path TagHelperPath();

// The report, length and chapters of each path, in order: empty (length 0:
// not known) when the file cannot be read, when its read was stopped, or when
// the helper cannot be started. One helper reads the files one after another;
// after a stop a new one goes on with the files after the stopped one.
std::vector<tagprotocol::sAnswer> ReadAnswersInHelper(const std::vector<std::u16string>& paths,
                                                   const sTagReadLimits& limits = {},
                                                   const std::filesystem::path& helper = TagHelperPath());

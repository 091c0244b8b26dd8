// Reads the tags of the files given on the command line three ways and prints
// the wall time of each: in this process through MediaInfo (no protection),
// through one tavlin-tags helper for all files (what the programs do), and
// through one helper per file (what a batch saves). Processor time (this
// process and its helpers) beside wall time, as the machine may be shared.
#include <chrono>
#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "project/MediaInfoLibrary.h"
#include "project/TagReader.h"
#include "base/Text.h"

namespace {

double Milliseconds(const timeval& time)
{
    return static_cast<double>(time.tv_sec) * 1000.0 + static_cast<double>(time.tv_usec) / 1000.0;
}

// User and system time of this process and its reaped children.
double ProcessorMilliseconds()
{
    double total = 0.0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        total += Milliseconds(usage.ru_utime) + Milliseconds(usage.ru_stime);
    }
    return total;
}

template <typename Read>
void Time(const char* what, size_t files, Read read)
{
    const double processorStart = ProcessorMilliseconds();
    const auto start = std::chrono::steady_clock::now();
    const size_t tagged = read();
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const double processor = ProcessorMilliseconds() - processorStart;
    std::printf("  %-30s wall %7.0f ms, processor %7.0f ms (%.2f ms a file), %zu of %zu tagged\n", what, ms,
                processor, processor / static_cast<double>(files), tagged, files);
}

size_t Tagged(const std::vector<sTagInfo>& tags)
{
    size_t count = 0;
    for (const sTagInfo& tag : tags)
        count += tag.m_strTrackName.empty() ? 0 : 1;
    return count;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::u16string> paths;
    for (int i = 1; i < argc; ++i)
        paths.push_back(FromPath(argv[i]));
    if (paths.empty()) {
        std::fprintf(stderr, "usage: %s FILE...\n", argv[0]);
        return 2;
    }
    // Every file once, so that all three read from the page cache.
    CMediaInfoLibrary library;
    for (const std::u16string& path : paths)
        ReadTags(path, library);

    Time("in process, no protection", paths.size(), [&] {
        std::vector<sTagInfo> tags;
        for (const std::u16string& path : paths)
            tags.push_back(ReadTags(path, library));
        return Tagged(tags);
    });
    Time("one tavlin-tags for all files", paths.size(), [&] { return Tagged(ReadTagsBatch(paths)); });
    Time("one tavlin-tags per file", paths.size(), [&] {
        std::vector<sTagInfo> tags;
        for (const std::u16string& path : paths)
            tags.push_back(ReadTags(path));
        return Tagged(tags);
    });
    return 0;
}

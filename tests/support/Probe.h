#pragma once
// Reads a finished book back with the real ffprobe tool.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace testsupport {

struct ProbedChapter {
    double start = 0;  // seconds
    double end = 0;
    std::string title;
};

std::vector<ProbedChapter> ProbeChapters(const std::filesystem::path& file);

// The format's tags (lower-case keys) and duration in seconds; `ok` false
// when ffprobe cannot read the file.
struct ProbedFormat {
    bool ok = false;
    double duration = 0;
    std::map<std::string, std::string> tags;
    int audioStreams = 0;
    int pictureStreams = 0;
};
ProbedFormat ProbeFormat(const std::filesystem::path& file);

// The first audio stream's packets: duration in the stream's ticks, where
// its bytes lie in the file, and a hash of them.
struct ProbedPacket {
    long duration = 0;
    long size = 0;
    long pos = -1;
    std::string hash;
};
std::vector<ProbedPacket> ProbePackets(const std::filesystem::path& file);

// True when ffmpeg decodes the whole file without printing an error;
// `errors` receives what it printed.
bool DecodesCleanly(const std::filesystem::path& file, std::string* errors = nullptr);

}  // namespace testsupport

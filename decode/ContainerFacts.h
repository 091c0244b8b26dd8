#pragma once
// What every reader of an input file's container shares: the name the file
// is opened by, and the playing time the container states.
#include <cstdint>
#include <string>

struct AVFormatContext;
struct AVStream;

// The file at `path` as FFmpeg opens it: the "file:" prefix keeps a name that
// looks like a protocol or a device ("pipe:", "concat:...") a plain file name.
std::string FileUrl(const std::u16string& path);

// The stream's stated playing time, else the container's, in 100 ns units;
// 0 when neither is stated.
int64_t StatedDuration(const AVFormatContext& format, const AVStream& stream);

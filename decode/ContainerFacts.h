#pragma once
// What every reader of an input file's container shares: the name the file
// is opened by, the playing time the container states, and the exact length
// of an MP4's audio.
#include <cstdint>
#include <optional>
#include <string>

#include "ffmpeg/Handles.h"

struct AVFormatContext;
struct AVStream;

// The file at `path` as FFmpeg opens it: the "file:" prefix keeps a name that
// looks like a protocol or a device ("pipe:", "concat:...") a plain file name.
std::string FileUrl(const std::u16string& path);

// The file at `path` opened for reading its container, or null when FFmpeg
// cannot open it.
ffmpeg::FormatContext OpenContainer(const std::u16string& path);

// The stream's stated playing time, else the container's, in 100 ns units;
// 0 when neither is stated.
int64_t StatedDuration(const AVFormatContext& format, const AVStream& stream);

// The exact length of an MP4 stream's own audio in the stream's time base,
// from the first sample that its decoder keeps (the priming skipped) to the
// last before the padding of its last frame: its edit list's duration, or,
// where no edit list says otherwise, what an iTunSMPB tag states. nullopt for
// other containers and for a stream that states no length.
std::optional<int64_t> ExactStreamLength(const AVFormatContext& format, const AVStream& stream);

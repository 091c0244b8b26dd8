#pragma once
// What a file's container says of its audio before anything is decoded: the
// first audio stream's rate and playing time.
#include <cstdint>
#include <optional>
#include <string>

struct sAudioProbe {
    uint32_t rate = 0;     // as the stream states it
    int64_t duration = 0;  // 100 ns units; 0 when the file does not tell
};

// Nothing when the file cannot be opened or holds no usable audio stream.
// An abort interrupts a read that blocks.
std::optional<sAudioProbe> ProbeAudio(const std::u16string& path);

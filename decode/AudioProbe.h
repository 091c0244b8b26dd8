#pragma once
// What a file's container and decoder say of its audio before it is decoded
// in full: the first audio stream's rate, playing time, and whether its
// samples are reached without decoding from the start.
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

struct sAudioProbe {
    uint32_t rate = 0;     // as its decoder puts it out
    int64_t duration = 0;  // 100 ns units; 0 when the file does not tell
    bool direct = false;   // a sample inside it is reached without decoding what lies before it
};

// Nothing when the file cannot be opened or holds no usable audio stream.
// Raising `stop` interrupts a read that blocks.
std::optional<sAudioProbe> ProbeAudio(const std::u16string& path, const std::atomic<bool>& stop);

// Whether every frame of the file is at its first frame's rate, where frame
// headers tell (MP3, ADTS): reads the file's packets without decoding them,
// about 0.3 s for an hour of MP3. False when the file cannot be read or
// raising `stop` interrupts the read.
bool RateHoldsThroughout(const std::u16string& path, const std::atomic<bool>& stop);

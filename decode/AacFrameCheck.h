#pragma once
// Checks AAC frames that are copied into a book as they are stored: each is
// decoded as a player would decode it, and one that does not decode can be
// replaced by a frame of silence of the same configuration.
#include <cstdint>
#include <functional>
#include <vector>

#include "decode/AacFrames.h"
#include "ffmpeg/Handles.h"

class CAacFrameCheck {
public:
    // Opens FFmpeg's AAC decoder for `stream`; IsOpen() is false when that fails.
    explicit CAacFrameCheck(const sAacStream& stream);

    bool IsOpen() const { return m_codec && m_packet && m_frame; }
    // Whether the raw frame decodes into one whole frame of the stream's
    // channels. Frames are checked in order: the decoder carries each one's
    // tail into the next, as a player's does. `onSamples`, when given,
    // hears the decoded float planar samples (planes, channels, samples).
    using SampleSink = std::function<void(const float* const* planes, int channels, int samples)>;
    bool Decodes(const uint8_t* data, int size, const SampleSink& onSamples = {});

private:
    ffmpeg::CodecContext m_codec;
    ffmpeg::Packet m_packet;
    ffmpeg::Frame m_frame;
    int m_nChannels = 0;
};

// A raw AAC-LC frame of silence for `stream` (one or two channels): a channel
// element without spectral data, then the end element.
std::vector<uint8_t> SilentAacFrame(const sAacStream& stream);

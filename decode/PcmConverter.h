#pragma once
// Turns decoded frames of any sample format, rate and channel layout into the
// negotiated interleaved 16-bit PCM. It follows changes of the input format
// within a stream, so the output format never changes.
#include <cstdint>
#include <vector>

#include "ffmpeg/Handles.h"
#include "base/WaveFormat.h"

class CPcmConverter {
public:
    explicit CPcmConverter(const WAVEFORMATEX& output);
    CPcmConverter(const CPcmConverter&) = delete;
    CPcmConverter& operator=(const CPcmConverter&) = delete;

    // Appends the frame's samples, converted, to `out`. False when the
    // resampler cannot be set up or fails.
    bool Convert(const AVFrame& frame, std::vector<uint8_t>& out);
    // Appends the samples the resampler still holds.
    bool Flush(std::vector<uint8_t>& out);

private:
    bool SameInput(const AVFrame& frame) const;
    bool Configure(const AVFrame& frame);
    // Runs the resampler on `count` input samples (none: drain) into `out`.
    bool Resample(const uint8_t** input, int count, std::vector<uint8_t>& out);

    const WAVEFORMATEX m_output;
    ffmpeg::Resampler m_resampler;
    int m_nInputFormat = -1;
    int m_nInputRate = 0;
    ffmpeg::ChannelLayout m_inputLayout;
};

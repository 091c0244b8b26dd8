#pragma once
// Turns decoded frames into float planar samples of the book's rate and
// channels. A frame that already is float planar in that format is handed on
// uncopied; one of another sample format at the same rate and layout is
// converted sample by sample; only a different rate or channel layout goes
// through the resampler. It follows changes of the input within a stream.
#include <cstdint>
#include <vector>

#include "decode/Negotiation.h"
#include "ffmpeg/Handles.h"

// Float planar samples lent out: `planes[c]` holds `samples` samples of
// channel c. Valid until the lender's next call.
struct sPcmSpan {
    const float* const* planes = nullptr;
    int samples = 0;
};

class CPcmConverter {
public:
    explicit CPcmConverter(const sPcmFormat& output);
    CPcmConverter(const CPcmConverter&) = delete;
    CPcmConverter& operator=(const CPcmConverter&) = delete;

    // Whether the converter is set up for the frame's input.
    bool Accepts(const AVFrame& frame) const;
    // Sets up for the frame's input; false when that cannot be converted.
    // The resampler must have been drained first.
    bool SetUp(const AVFrame& frame);
    // Converts a frame the converter accepts. False when the resampler fails.
    bool Convert(const AVFrame& frame, sPcmSpan& out);
    // What the resampler still holds (nothing without one).
    bool Drain(sPcmSpan& out);

private:
    enum class Path { None, Direct, Samplewise, Resample };

    float* const* Planes(int samples);
    bool Resample(const uint8_t** input, int count, sPcmSpan& out);

    const sPcmFormat m_output;
    ffmpeg::ChannelLayout m_outputLayout;
    Path m_path = Path::None;
    ffmpeg::Resampler m_resampler;
    int m_nInputFormat = -1;
    int m_nInputRate = 0;
    ffmpeg::ChannelLayout m_inputLayout;
    std::vector<std::vector<float>> m_buffers;  // one per output channel
    std::vector<float*> m_planes;               // what m_buffers hold
};

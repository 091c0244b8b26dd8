#pragma once
// What the header of an MPEG audio frame (layers I to III) or of an ADTS AAC
// frame says of the frame it starts: read without decoding, so that a packet
// can be checked to be exactly one frame at the stream's rate.
#include <cstdint>
#include <optional>

extern "C" {
#include <libavcodec/codec_id.h>
}

struct sFrameHeader {
    int rate = 0;     // samples per second
    int samples = 0;  // per channel
    int size = 0;     // bytes, header included
};

// Whether the packets of `codec` in the container `demuxer` (its FFmpeg name)
// start with a header that ReadFrameHeader reads: MPEG audio in any
// container, AAC in ADTS.
bool HasFrameHeaders(AVCodecID codec, const char* demuxer);
// The header `data` starts with; nullopt when it does not start with a valid
// one whose frame length is stated (a free-format MP3 frame's is not).
std::optional<sFrameHeader> ReadFrameHeader(AVCodecID codec, const uint8_t* data, int size);

#include "decode/FrameHeader.h"

#include <string_view>

#include "decode/AdtsHeader.h"

namespace {
std::optional<sFrameHeader> ReadMpegAudioHeader(const uint8_t* data, int size)
{
    if (size < 4)
        return std::nullopt;
    const uint32_t h = uint32_t{data[0]} << 24 | uint32_t{data[1]} << 16 | uint32_t{data[2]} << 8 | data[3];
    const int version = (h >> 19) & 3;  // 0: MPEG 2.5, 2: MPEG 2, 3: MPEG 1
    const int layer = 4 - static_cast<int>((h >> 17) & 3);
    const int bitrateIndex = (h >> 12) & 15;
    const int rateIndex = (h >> 10) & 3;
    if ((h & 0xFFE00000u) != 0xFFE00000u || version == 1 || layer == 4 || bitrateIndex == 0 || bitrateIndex == 15 ||
        rateIndex == 3)
        return std::nullopt;
    static constexpr int kKbits[2][3][15] = {
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
    static constexpr int kRates[3] = {44100, 48000, 32000};
    const int lowRate = version == 3 ? 0 : 1;  // MPEG 2 and 2.5 halve the rates and the layer III frame
    const int rate = kRates[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    const int kbits = kKbits[lowRate][layer - 1][bitrateIndex];
    const int padding = (h >> 9) & 1;
    sFrameHeader header;
    header.rate = rate;
    if (layer == 1) {
        header.samples = 384;
        header.size = (12000 * kbits / rate + padding) * 4;
    } else {
        const bool halved = layer == 3 && lowRate;
        header.samples = halved ? 576 : 1152;
        header.size = 144000 * kbits / (halved ? 2 * rate : rate) + padding;
    }
    return header;
}

std::optional<sFrameHeader> ReadAdtsFrameHeader(const uint8_t* data, int size)
{
    static constexpr int kRates[13] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                       22050, 16000, 12000, 11025, 8000,  7350};
    const std::optional<sAdtsHeader> adts = ReadAdtsHeader(data, size);
    if (!adts || adts->rateIndex >= 13)
        return std::nullopt;
    sFrameHeader header;
    header.rate = kRates[adts->rateIndex];
    header.samples = 1024 * adts->rawBlocks;
    header.size = adts->frameSize;
    return header;
}

bool IsMpegAudio(AVCodecID codec)
{
    return codec == AV_CODEC_ID_MP1 || codec == AV_CODEC_ID_MP2 || codec == AV_CODEC_ID_MP3;
}
}  // namespace

bool HasFrameHeaders(AVCodecID codec, const char* demuxer)
{
    return IsMpegAudio(codec) || (codec == AV_CODEC_ID_AAC && demuxer && std::string_view(demuxer) == "aac");
}

std::optional<sFrameHeader> ReadFrameHeader(AVCodecID codec, const uint8_t* data, int size)
{
    if (!data)
        return std::nullopt;
    if (codec == AV_CODEC_ID_AAC)
        return ReadAdtsFrameHeader(data, size);
    if (IsMpegAudio(codec))
        return ReadMpegAudioHeader(data, size);
    return std::nullopt;
}

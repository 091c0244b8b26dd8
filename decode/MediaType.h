#pragma once
// A media type as the renderer sees it: major type, subtype, format type and
// an optional format block (a wave format record for PCM).
#include <cstdint>
#include <vector>

#include "base/WaveFormat.h"

enum class MajorType { None, Audio, Video, Other };
enum class SubType { None, PCM, IEEE_Float, Other };
enum class FormatType { None, WaveFormatEx, Other };

struct CMediaType {
    MajorType majortype = MajorType::None;
    SubType subtype = SubType::None;
    FormatType formattype = FormatType::None;
    std::vector<uint8_t> format;  // the format block; empty: none

    bool HasFormat() const { return !format.empty(); }
    // The first 18 bytes of the format block as a wave format record; only
    // meaningful when the block holds at least that many bytes.
    const WAVEFORMATEX* WaveFormat() const
    {
        return format.size() >= sizeof(WAVEFORMATEX) ? reinterpret_cast<const WAVEFORMATEX*>(format.data())
                                                     : nullptr;
    }
    static CMediaType FromWaveFormat(const WAVEFORMATEX& wf)
    {
        CMediaType mt;
        mt.majortype = MajorType::Audio;
        mt.subtype = SubType::PCM;
        mt.formattype = FormatType::WaveFormatEx;
        const auto* p = reinterpret_cast<const uint8_t*>(&wf);
        mt.format.assign(p, p + sizeof(WAVEFORMATEX));
        return mt;
    }
};

// One delivered buffer of PCM; valid only during the call that receives it.
class IMediaSample {
public:
    virtual ~IMediaSample() = default;
    virtual const uint8_t* GetPointer() const = 0;
    virtual long GetActualDataLength() const = 0;
};

// The consumer of a decoding graph's PCM.
class IGraphCallback {
public:
    virtual ~IGraphCallback() = default;
    virtual void OnSample(IMediaSample* sample) = 0;
    virtual void OnEndOfStream() = 0;
};

#pragma once
// The PCM capture renderer: the sink of every decoding graph. It hands each
// non-empty PCM buffer to the owning graph's consumer and enforces that all
// files of a book decode to one PCM format.
#include <cstdint>
#include <memory>

#include "decode/MediaType.h"
#include "decode/RenderBase.h"
#include "base/WaveFormat.h"

class CGraphSound;

struct CLSID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};

// The renderer's class identifier: D7896EFE-DBE0-4133-B401-7BF39E59CE91.
inline constexpr CLSID CLSID_AudioRender = {
    0xD7896EFE, 0xDBE0, 0x4133, {0xB4, 0x01, 0x7B, 0xF3, 0x9E, 0x59, 0xCE, 0x91}};

class CRender : public CBaseRenderer {
public:
    // `owner` is not owned; `phr` (may be null) receives a construction failure.
    CRender(CGraphSound* owner, HRESULT* phr);
    ~CRender() override;

    CLSID GetClassID() const { return CLSID_AudioRender; }

    CRendererInputPin* GetPin(int index) override;
    HRESULT EndOfStream() override;
    HRESULT Active() override;
    HRESULT Inactive() override;
    HRESULT SetMediaType(const CMediaType* type) override;
    HRESULT DoRenderSample(IMediaSample* sample) override;
    HRESULT CheckMediaType(const CMediaType* type) override;

    CGraphSound* m_pGraphSound;
    // The type accepted by the last successful SetMediaType; empty until then.
    CMediaType m_mtConnected;
    // When set, every accepted type must match these 18 bytes. Not owned.
    const WAVEFORMATEX* m_pRequiredFormat = nullptr;

private:
    // The input pin "In": it proposes no types of its own.
    class _CRendererInputPin : public CRendererInputPin {
    public:
        explicit _CRendererInputPin(CRender* renderer);
        HRESULT GetMediaType(int position, CMediaType* type) override;
    };

    std::unique_ptr<_CRendererInputPin> m_pInputPin;
};

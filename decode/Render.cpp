#include "decode/Render.h"

#include <cstring>
#include <new>

#include "decode/Graph.h"

namespace {
bool MatchesRequired(const WAVEFORMATEX& offered, const WAVEFORMATEX& required)
{
    return std::memcmp(&offered, &required, sizeof(WAVEFORMATEX)) == 0;
}
}  // namespace

CRender::_CRendererInputPin::_CRendererInputPin(CRender* renderer) : CRendererInputPin(renderer, "In") {}

HRESULT CRender::_CRendererInputPin::GetMediaType(int /*position*/, CMediaType* /*type*/) { return E_NOTIMPL; }

// Nothing in the construction can fail, so `phr` is left as the caller set it.
CRender::CRender(CGraphSound* owner, HRESULT* /*phr*/) : m_pGraphSound(owner) {}

CRender::~CRender() = default;

CRendererInputPin* CRender::GetPin(int index)
{
    std::lock_guard<std::mutex> lock(m_ObjectCreationLock);
    if (index != 0)
        return nullptr;
    if (!m_pInputPin)
        m_pInputPin.reset(new (std::nothrow) _CRendererInputPin(this));
    return m_pInputPin.get();
}

HRESULT CRender::EndOfStream()
{
    const HRESULT hr = CBaseRenderer::EndOfStream();
    if (m_pGraphSound)
        m_pGraphSound->NotifyEndOfStream();
    return hr;
}

HRESULT CRender::Active() { return CBaseRenderer::Active(); }

HRESULT CRender::Inactive() { return CBaseRenderer::Inactive(); }

HRESULT CRender::CheckMediaType(const CMediaType* type)
{
    if (!type)
        return E_POINTER;
    if (type->majortype != MajorType::Audio || type->subtype != SubType::PCM)
        return E_INVALIDARG;
    // Another format type passes here; SetMediaType refuses it.
    if (type->formattype != FormatType::WaveFormatEx)
        return S_OK;
    // A type that names a wave format but carries no (or a short) block.
    const WAVEFORMATEX* format = type->WaveFormat();
    if (!format)
        return E_INVALIDARG;
    if (!m_pRequiredFormat)
        return format->nChannels <= 2 && format->wBitsPerSample == 16 ? S_OK : E_INVALIDARG;
    return MatchesRequired(*format, *m_pRequiredFormat) ? S_OK : E_INVALIDARG;
}

HRESULT CRender::SetMediaType(const CMediaType* type)
{
    if (!type)
        return E_POINTER;
    if (type->formattype != FormatType::WaveFormatEx)
        return E_INVALIDARG;
    const WAVEFORMATEX* format = type->WaveFormat();
    if (!format)
        return E_UNEXPECTED;
    if (m_pRequiredFormat && !MatchesRequired(*format, *m_pRequiredFormat))
        return E_INVALIDARG;
    m_mtConnected = *type;
    return S_OK;
}

HRESULT CRender::DoRenderSample(IMediaSample* sample)
{
    if (!sample)
        return E_POINTER;
    if (sample->GetActualDataLength() != 0 && m_pGraphSound && m_pGraphSound->m_pCallback)
        m_pGraphSound->m_pCallback->OnSample(sample);
    // After an abort the consumer hears the end at once and nothing follows.
    if (m_pGraphSound && m_pGraphSound->ConversionStopped())
        EndOfStream();
    return S_OK;
}

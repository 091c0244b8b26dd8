#include "decode/RenderBase.h"

#include <utility>

CRendererInputPin::CRendererInputPin(CBaseRenderer* renderer, std::string name)
    : m_pRenderer(renderer), m_name(std::move(name))
{
}

HRESULT CRendererInputPin::GetMediaType(int /*position*/, CMediaType* /*type*/) { return S_FALSE; }

HRESULT CRendererInputPin::ReceiveConnection(const CMediaType& type)
{
    if (m_bConnected)
        return VFW_E_ALREADY_CONNECTED;
    HRESULT hr = m_pRenderer->CheckMediaType(&type);
    if (FAILED(hr))
        return hr;
    hr = m_pRenderer->SetMediaType(&type);
    if (FAILED(hr))
        return hr;
    m_bConnected = true;
    return S_OK;
}

void CRendererInputPin::Disconnect() { m_bConnected = false; }

HRESULT CRendererInputPin::Receive(IMediaSample* sample)
{
    if (!m_bConnected)
        return VFW_E_NOT_CONNECTED;
    return m_pRenderer->Receive(sample);
}

HRESULT CRendererInputPin::EndOfStream()
{
    if (!m_bConnected)
        return VFW_E_NOT_CONNECTED;
    if (m_bAtEndOfStream.exchange(true))
        return S_FALSE;
    return m_pRenderer->EndOfStream();
}

HRESULT CBaseRenderer::SetMediaType(const CMediaType* /*type*/) { return S_OK; }

HRESULT CBaseRenderer::EndOfStream()
{
    m_bEOS = true;
    return S_OK;
}

HRESULT CBaseRenderer::Active() { return S_OK; }

HRESULT CBaseRenderer::Inactive() { return S_OK; }

HRESULT CBaseRenderer::Run()
{
    if (m_bRunning)
        return S_FALSE;
    m_bEOS = false;
    if (CRendererInputPin* pin = GetPin(0))
        pin->ResetEndOfStream();
    const HRESULT hr = Active();
    if (SUCCEEDED(hr))
        m_bRunning = true;
    return hr;
}

HRESULT CBaseRenderer::Stop()
{
    std::lock_guard<std::mutex> lock(m_RendererLock);
    if (!m_bRunning)
        return S_FALSE;
    m_bRunning = false;
    return Inactive();
}

HRESULT CBaseRenderer::Receive(IMediaSample* sample)
{
    std::lock_guard<std::mutex> lock(m_RendererLock);
    if (!m_bRunning)
        return VFW_E_WRONG_STATE;
    if (m_bEOS)
        return VFW_E_SAMPLE_REJECTED_EOS;
    // A failure of the hook ends nothing by itself; the end-of-stream record
    // (set by the hook, e.g. on an abort) refuses the samples that follow.
    return DoRenderSample(sample);
}

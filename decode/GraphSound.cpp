#include <new>

#include "decode/Graph.h"
#include "decode/GraphState.h"
#include "decode/Render.h"

CGraphSound::CGraphSound(const std::u16string& path, const WAVEFORMATEX* requiredFormat)
    : m_strFile(path), m_pFormat(requiredFormat)
{
}

// The streaming thread must be gone before the renderer it feeds.
CGraphSound::~CGraphSound() { CGraphSound::Close(); }

HRESULT CGraphSound::Init()
{
    const HRESULT hr = CGraph::Init();
    if (FAILED(hr)) {
        DebugFailure(hr, "__super::Init()");
        return hr;
    }
    m_llDuration = m_state->source->Duration();
    return S_OK;
}

HRESULT CGraphSound::Close()
{
    Stop();
    if (m_pAudioRender) {
        RemoveFilter(m_pAudioRender);
        m_render.reset();
        m_pAudioRender = nullptr;
    }
    return CGraph::Close();
}

void CGraphSound::NotifyEndOfStream()
{
    if (m_pCallback)
        m_pCallback->OnEndOfStream();
}

void CGraphSound::SetWindow(int64_t first, int64_t end)
{
    if (m_state->source)
        m_state->source->SetWindow(first, end);
}

uint32_t CGraphSound::NativeRate() const
{
    return m_state->source ? m_state->source->SampleRate() : 0;
}

eWindowReach CGraphSound::WindowReachedBy() const
{
    return m_state->source ? m_state->source->WindowReachedBy() : eWindowReach::FromStart;
}

const CMediaType& CGraphSound::ConnectedType() const
{
    static const CMediaType none;
    return m_pAudioRender ? m_pAudioRender->m_mtConnected : none;
}

HRESULT CGraphSound::AddFilters()
{
    HRESULT hr = S_OK;
    m_render.reset(new (std::nothrow) CRender(this, &hr));
    if (!m_render)
        return E_OUTOFMEMORY;
    m_pAudioRender = m_render.get();
    if (FAILED(hr))
        return hr;
    m_pAudioRender->m_pRequiredFormat = m_pFormat;

    hr = AddFilter(m_pAudioRender);
    if (FAILED(hr)) {
        DebugFailure(hr, "g_pGB->AddFilter(m_pAudioRender, L\"AudioRenderer\")");
        return hr;
    }
    hr = AddSourceFilter(m_strFile);
    if (FAILED(hr)) {
        DebugFailure(hr, "g_pGB->AddSourceFilter(m_strFile, L\"SOURCE\", &m_pFSrc)");
        return hr;
    }
    hr = ConnectFilters(m_pAudioRender, m_pFormat);
    if (FAILED(hr)) {
        DebugFailure(hr, "ConnectFilters(m_pFSrc, m_pAudioRender)");
        return hr;
    }
    // No clock to clear: the streaming thread never waits for presentation times.
    return S_OK;
}

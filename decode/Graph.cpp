#include "decode/Graph.h"
#include "decode/ContainerFacts.h"

#include <new>
#include <system_error>

#include "base/Diagnostics.h"
#include "decode/GraphState.h"
#include "decode/MediaSample.h"
#include "decode/Negotiation.h"
#include "decode/RenderBase.h"
#include "base/Text.h"

void DebugFailure(HRESULT hr, const char* where)
{
    DebugLine(Printf("FAILED(hr=0x%x) in %s\n", static_cast<unsigned>(hr), where));
}

namespace {
// Lets a blocking open or read (a stalled mount, a pipe) end on a stop or an
// abort instead of holding the streaming thread for ever.
int InterruptRequested(void* opaque)
{
    const auto* state = static_cast<const CGraph::State*>(opaque);
    return state->stop.load() || (state->conversionStopped && state->conversionStopped->load()) ? 1 : 0;
}
}  // namespace

void CGraph::SetConversion(const std::atomic<bool>* stopped, std::function<void(const std::u16string&)> fail)
{
    m_state->conversionStopped = stopped;
    m_state->fail = std::move(fail);
}

bool CGraph::ConversionStopped() const
{
    return m_state->conversionStopped && m_state->conversionStopped->load();
}

CGraph::CGraph() : m_state(std::make_unique<State>()) {}

CGraph::~CGraph() { CGraph::Close(); }

HRESULT CGraph::Init()
{
    // A graph is built once; after a failure the owner closes it first.
    if (m_state->sink || m_state->source)
        return E_UNEXPECTED;
    // The container context plays the part of the graph the file opens into.
    m_state->pendingContext.reset(avformat_alloc_context());
    if (!m_state->pendingContext) {
        DebugFailure(E_OUTOFMEMORY, "g_pGB.CoCreateInstance(CLSID_FilterGraph, NULL, CLSCTX_INPROC)");
        return E_OUTOFMEMORY;
    }
    m_state->pendingContext->interrupt_callback.callback = &InterruptRequested;
    m_state->pendingContext->interrupt_callback.opaque = m_state.get();
    HRESULT hr = AddFilters();
    if (FAILED(hr)) {
        DebugFailure(hr, "AddFilters()");
        return hr;
    }
    // Streaming needs a packet (control of the stream) and a frame (which
    // carries the timestamps that position is read from).
    hr = m_state->source ? m_state->source->AllocatePacket() : E_UNEXPECTED;
    if (FAILED(hr)) {
        DebugFailure(hr, "g_pGB.QueryInterface(&g_pMC)");
        return hr;
    }
    hr = m_state->source->AllocateFrame();
    if (FAILED(hr)) {
        DebugFailure(hr, "g_pGB.QueryInterface(&g_pMS)");
        return hr;
    }
    m_state->hasControl = true;
    return S_OK;
}

HRESULT CGraph::Close()
{
    EndStreaming();
    if (m_state->sinkPin)
        m_state->sinkPin->Disconnect();
    m_state->sinkPin = nullptr;
    m_state->sink = nullptr;
    m_state->converter.reset();
    m_state->source.reset();
    m_state->pendingContext.reset();
    m_state->hasControl = false;
    m_state->position = 0;
    return S_OK;
}

HRESULT CGraph::Run()
{
    State& s = *m_state;
    if (!s.hasControl || !s.sinkPin)
        return E_FAIL;
    if (s.thread.joinable())
        return S_FALSE;
    s.stop = false;
    const HRESULT hr = s.sink->Run();
    if (FAILED(hr))
        return hr;
    try {
        s.thread = std::thread(&CGraph::Stream, this);
    } catch (const std::system_error&) {
        s.sink->Stop();
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT CGraph::Stop()
{
    if (!m_state->hasControl)
        return E_FAIL;
    EndStreaming();
    return S_OK;
}

int64_t CGraph::GetPosition() { return m_state->position.load(); }

HRESULT CGraph::AddFilter(CBaseRenderer* renderer)
{
    if (!renderer)
        return E_POINTER;
    // One sink per graph.
    if (m_state->sink)
        return E_UNEXPECTED;
    m_state->sink = renderer;
    return S_OK;
}

HRESULT CGraph::AddSourceFilter(const std::u16string& path)
{
    if (!m_state->pendingContext)
        return E_UNEXPECTED;
    auto source = std::unique_ptr<CAudioSource>(new (std::nothrow) CAudioSource);
    if (!source)
        return E_OUTOFMEMORY;
    const HRESULT hr = source->Open(std::move(m_state->pendingContext), FileUrl(path));
    if (FAILED(hr))
        return hr;
    m_state->source = std::move(source);
    m_state->path = path;
    return S_OK;
}

HRESULT CGraph::ConnectFilters(CBaseRenderer* renderer, const WAVEFORMATEX* required)
{
    // The source's only output is its first audio stream.
    if (!m_state->source || m_state->source->IsConnected())
        return E_FAIL;
    CRendererInputPin* pin = FindUnconnectedPin(renderer);
    if (!pin)
        return E_FAIL;
    const HRESULT hr = Connect(pin, required);
    if (FAILED(hr)) {
        DebugFailure(hr, "g_pGB->Connect(pFSrcPinOut, pFTRPinIn)");
        return hr;
    }
    return S_OK;
}

void CGraph::RemoveFilter(CBaseRenderer* renderer)
{
    if (!renderer || renderer != m_state->sink)
        return;
    EndStreaming();
    if (m_state->sinkPin)
        m_state->sinkPin->Disconnect();
    m_state->sinkPin = nullptr;
    m_state->sink = nullptr;
    m_state->hasControl = false;
}

CRendererInputPin* CGraph::FindUnconnectedPin(CBaseRenderer* renderer)
{
    if (!renderer)
        return nullptr;
    CRendererInputPin* pin = renderer->GetPin(0);
    return pin && !pin->IsConnected() ? pin : nullptr;
}

HRESULT CGraph::Connect(CRendererInputPin* pin, const WAVEFORMATEX* required)
{
    CAudioSource& source = *m_state->source;
    const HRESULT hr = source.OpenDecoder();
    if (FAILED(hr))
        return hr;
    for (const CMediaType& type : CandidateTypes(source.SampleRate(), source.Channels(), required)) {
        if (FAILED(pin->ReceiveConnection(type)))
            continue;
        m_state->converter.reset(new (std::nothrow) CPcmConverter(*type.WaveFormat()));
        if (!m_state->converter) {
            pin->Disconnect();
            return E_OUTOFMEMORY;
        }
        source.SetConnected(true);
        m_state->sinkPin = pin;
        return S_OK;
    }
    return VFW_E_CANNOT_CONNECT;
}

void CGraph::EndStreaming()
{
    State& s = *m_state;
    s.stop = true;
    if (s.thread.joinable())
        s.thread.join();
    if (s.sink)
        s.sink->Stop();
}

bool CGraph::Deliver(const std::vector<uint8_t>& buffer)
{
    if (buffer.empty())
        return true;
    CMemorySample sample(buffer.data(), buffer.size());
    return SUCCEEDED(m_state->sinkPin->Receive(&sample));
}

void CGraph::Stream()
{
    try {
        StreamBuffers();
    } catch (const std::exception&) {
        // Out of memory while decoding: this conversion ends with a message,
        // and the consumer still learns that no more samples will come.
        if (m_state->fail)
            m_state->fail(FormatWithPath(u"Can't read file %ls", m_state->path));
        if (!m_state->stop) {
            try {
                m_state->sinkPin->EndOfStream();
            } catch (const std::exception&) {
            }
        }
    }
}

void CGraph::StreamBuffers()
{
    State& s = *m_state;
    std::vector<uint8_t> buffer;
    bool refused = false;
    bool failed = false;
    auto read = CAudioSource::ReadResult::End;
    while (!s.stop && (read = s.source->ReadFrame(s.stop)) == CAudioSource::ReadResult::Frame) {
        s.position = s.source->Position();
        buffer.clear();
        if (!s.converter->Convert(s.source->Frame(), buffer)) {
            DebugLine("PCM conversion failed; the stream ends early\n");
            failed = true;
            break;
        }
        if (!Deliver(buffer)) {
            refused = true;
            break;
        }
    }
    if (read == CAudioSource::ReadResult::Failed) {
        DebugLine("Reading the file failed; the stream ends early\n");
        failed = true;
    }
    if (failed) {
        // The rest of the file cannot be read or turned into the book's PCM:
        // end the conversion with a message rather than leave the file cut short.
        if (s.fail)
            s.fail(FormatWithPath(u"Can't read file %ls", s.path));
    }
    if (!s.stop && !refused && !failed) {
        buffer.clear();
        if (s.converter->Flush(buffer))
            Deliver(buffer);
    }
    // A stop is not the end of the stream; everything else is.
    if (!s.stop)
        s.sinkPin->EndOfStream();
}

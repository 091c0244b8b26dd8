#pragma once
// A small renderer base: the sink end of a decoding graph. It gives a derived
// renderer the hooks CheckMediaType, SetMediaType, DoRenderSample and
// EndOfStream, keeps the running state and the end-of-stream record, and
// refuses samples that arrive while stopped or after the end of the stream.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "decode/HResult.h"
#include "decode/MediaType.h"

// A sample arrived after the renderer's end of stream.
constexpr HRESULT VFW_E_SAMPLE_REJECTED_EOS = static_cast<HRESULT>(0x8004022B);
// A sample arrived while the renderer was stopped.
constexpr HRESULT VFW_E_WRONG_STATE = static_cast<HRESULT>(0x80040227);
// The pin is already connected.
constexpr HRESULT VFW_E_ALREADY_CONNECTED = static_cast<HRESULT>(0x80040204);
// The pin is not connected.
constexpr HRESULT VFW_E_NOT_CONNECTED = static_cast<HRESULT>(0x80040209);

class CBaseRenderer;

// The renderer's input pin: where the upstream side negotiates the type,
// delivers samples and signals the end of its stream.
class CRendererInputPin {
public:
    CRendererInputPin(CBaseRenderer* renderer, std::string name);
    virtual ~CRendererInputPin() = default;
    CRendererInputPin(const CRendererInputPin&) = delete;
    CRendererInputPin& operator=(const CRendererInputPin&) = delete;

    const std::string& Name() const { return m_name; }
    bool IsConnected() const { return m_bConnected; }

    // Types the pin proposes itself, by position; S_FALSE past the last one.
    virtual HRESULT GetMediaType(int position, CMediaType* type);

    // Offers one type: the renderer must pass it through CheckMediaType and
    // take it with SetMediaType. On success the pin is connected.
    HRESULT ReceiveConnection(const CMediaType& type);
    void Disconnect();

    // One buffer from upstream; refused when the renderer does not take it.
    HRESULT Receive(IMediaSample* sample);
    // Upstream's end of stream; passed on once per stream.
    HRESULT EndOfStream();
    // Clears the pin's end-of-stream record when streaming starts again.
    void ResetEndOfStream() { m_bAtEndOfStream = false; }

private:
    CBaseRenderer* m_pRenderer;
    std::string m_name;
    bool m_bConnected = false;
    std::atomic<bool> m_bAtEndOfStream{false};
};

class CBaseRenderer {
public:
    CBaseRenderer() = default;
    virtual ~CBaseRenderer() = default;
    CBaseRenderer(const CBaseRenderer&) = delete;
    CBaseRenderer& operator=(const CBaseRenderer&) = delete;

    // The renderer's pins by index; null past the last one.
    virtual CRendererInputPin* GetPin(int index) = 0;

    virtual HRESULT CheckMediaType(const CMediaType* type) = 0;
    virtual HRESULT SetMediaType(const CMediaType* type);
    virtual HRESULT DoRenderSample(IMediaSample* sample) = 0;
    // Records the end of the stream: every later sample is refused.
    virtual HRESULT EndOfStream();
    // Called when streaming starts and stops.
    virtual HRESULT Active();
    virtual HRESULT Inactive();

    // State changes from the graph.
    HRESULT Run();
    HRESULT Stop();
    bool IsRunning() const { return m_bRunning; }
    bool IsEndOfStream() const { return m_bEOS; }

    // Renders one sample on the caller's (streaming) thread, unless stopped or
    // past the end of the stream.
    HRESULT Receive(IMediaSample* sample);

protected:
    // Serialises pin creation.
    std::mutex m_ObjectCreationLock;

private:
    // Held while a sample is rendered, so that a stop waits for it.
    std::mutex m_RendererLock;
    std::atomic<bool> m_bRunning{false};
    std::atomic<bool> m_bEOS{false};
};

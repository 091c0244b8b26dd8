#pragma once
// The decoding graph: opens one input file, decodes its first audio stream,
// negotiates the PCM type with the capture renderer and streams PCM to the
// consumer on a thread of its own, as fast as the consumer takes it.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "decode/HResult.h"
#include "decode/MediaType.h"
#include "decode/WindowReach.h"
#include "base/WaveFormat.h"

class CBaseRenderer;
class CRender;
class CRendererInputPin;

// Base: owns the demuxer/decoder state and the streaming thread.
class CGraph {
public:
    CGraph();
    virtual ~CGraph();
    CGraph(const CGraph&) = delete;
    CGraph& operator=(const CGraph&) = delete;

    virtual HRESULT Init();
    virtual HRESULT Close();
    virtual HRESULT Run();
    virtual HRESULT Stop();
    virtual void NotifyEndOfStream() {}
    // Current decoding position in 100 ns units; 0 before Init or after Close.
    virtual int64_t GetPosition();
    // The conversion the graph decodes for: reads and opens end once `stopped`
    // is raised, and a failure to read on is reported through `fail`. Before Init.
    void SetConversion(const std::atomic<bool>* stopped, std::function<void(const std::u16string&)> fail);
    // Whether the conversion the graph decodes for is stopping.
    bool ConversionStopped() const;

    struct State;  // FFmpeg-side state, defined in the implementation

protected:
    virtual HRESULT AddFilters() = 0;

    // The pieces AddFilters puts together. The renderer is not owned.
    HRESULT AddFilter(CBaseRenderer* renderer);
    HRESULT AddSourceFilter(const std::u16string& path);
    // Connects the source's first audio stream to the renderer's input pin,
    // offering the renderer the PCM types the stream can be converted to;
    // `required` (may be null) is the exact format a later file must have.
    HRESULT ConnectFilters(CBaseRenderer* renderer, const WAVEFORMATEX* required);
    // Takes the renderer out of the graph (streaming ends first).
    void RemoveFilter(CBaseRenderer* renderer);

    std::unique_ptr<State> m_state;

private:
    CRendererInputPin* FindUnconnectedPin(CBaseRenderer* renderer);
    HRESULT Connect(CRendererInputPin* pin, const WAVEFORMATEX* required);
    // Ends the streaming thread and stops the renderer; no-op when idle.
    void EndStreaming();
    // The streaming thread: decode, convert, deliver, then end the stream.
    void Stream();
    void StreamBuffers();
    bool Deliver(const std::vector<uint8_t>& buffer);
};

class CGraphSound : public CGraph {
public:
    // `requiredFormat`: null for a book's first file; otherwise the exact PCM
    // format every buffer must have. Not owned.
    CGraphSound(const std::u16string& path, const WAVEFORMATEX* requiredFormat);
    ~CGraphSound() override;

    HRESULT Init() override;
    HRESULT Close() override;
    void NotifyEndOfStream() override;

    // The media type the renderer accepted (valid after a successful Init).
    virtual const CMediaType& ConnectedType() const;
    // Streams only the samples [first, end) of the file (per channel, at its
    // own rate). After a successful Init, before Run.
    void SetWindow(int64_t first, int64_t end);
    // The rate the file decodes at, before any conversion; 0 before Init.
    uint32_t NativeRate() const;
    // How the window's first sample was reached; read once the stream ended.
    eWindowReach WindowReachedBy() const;

    CRender* m_pAudioRender = nullptr;        // owned while the graph is open
    IGraphCallback* m_pCallback = nullptr;    // set before Run; not owned
    std::u16string m_strFile;
    const WAVEFORMATEX* m_pFormat = nullptr;  // not owned
    int64_t m_llDuration = 0;                 // 100 ns units; 0 when unknown

protected:
    HRESULT AddFilters() override;

private:
    std::unique_ptr<CRender> m_render;  // what m_pAudioRender points to
};

#pragma once
// What a decoding graph holds between Init and Close: the source, the
// converter to the negotiated PCM type, the connected renderer and the
// streaming thread.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "decode/AudioSource.h"
#include "decode/Graph.h"
#include "decode/HResult.h"
#include "decode/PcmConverter.h"

class CBaseRenderer;
class CRendererInputPin;

struct CGraph::State {
    // Allocated by Init, taken over by the source when the file opens.
    ffmpeg::FormatContext pendingContext;
    std::unique_ptr<CAudioSource> source;
    std::u16string path;  // the source's file, for the failure message
    std::unique_ptr<CPcmConverter> converter;
    CBaseRenderer* sink = nullptr;         // the renderer in the graph; not owned
    CRendererInputPin* sinkPin = nullptr;  // its pin, once connected
    bool hasControl = false;               // Init completed: Run and Stop may act

    std::thread thread;
    std::atomic<bool> stop{false};
    // The conversion's stop flag and its way to fail with a message; set
    // before Init.
    const std::atomic<bool>* conversionStopped = nullptr;
    std::function<void(const std::u16string&)> fail;
    std::atomic<int64_t> position{0};  // 100 ns units
};

// Writes "FAILED(hr=0x%x) in <where>\n" to the debug output.
void DebugFailure(HRESULT hr, const char* where);

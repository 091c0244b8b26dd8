#pragma once
// A consumer that records what a decoding graph delivers, a capture of the
// debug lines, and a helper that decodes one file from start to end.
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "base/Event.h"
#include "decode/Graph.h"

namespace decodetest {

class CPcmCollector : public IGraphCallback {
public:
    void OnSample(IMediaSample* sample) override;
    void OnEndOfStream() override;

    // True once the first end of stream has arrived within `milliseconds`.
    bool WaitForEnd(int milliseconds) { return m_ended.Wait(milliseconds); }

    std::vector<uint8_t> Bytes() const;
    int Samples() const;
    int EndsOfStream() const;
    int SamplesAfterEnd() const;

private:
    mutable std::mutex m_mutex;
    std::vector<uint8_t> m_bytes;
    int m_nSamples = 0;
    int m_nEnds = 0;
    int m_nSamplesAfterEnd = 0;
    CEvent m_ended{true, false};
};

// Collects the debug lines written while it lives.
class CDebugCapture {
public:
    CDebugCapture();
    ~CDebugCapture();
    CDebugCapture(const CDebugCapture&) = delete;
    CDebugCapture& operator=(const CDebugCapture&) = delete;
    std::vector<std::string> Lines() const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

struct DecodeResult {
    HRESULT hr = E_FAIL;
    WAVEFORMATEX format{};  // the negotiated format, zero on failure
    int64_t duration = 0;   // m_llDuration, 100 ns
    int64_t finalPosition = 0;
    std::vector<uint8_t> pcm;
    int ends = 0;
    int samplesAfterEnd = 0;
    std::vector<std::string> debugLines;

    size_t FramesPerChannel() const { return format.nBlockAlign ? pcm.size() / format.nBlockAlign : 0; }
};

// Init, Run to the end of the stream, Stop, Close.
DecodeResult DecodeFile(const std::filesystem::path& file, const WAVEFORMATEX* required = nullptr);

// The debug line "FAILED(hr=0x%x) in <where>\n".
std::string FailureLine(HRESULT hr, const std::string& where);

// Sign changes of channel `channel` in interleaved 16-bit PCM.
int ZeroCrossings(const std::vector<uint8_t>& pcm, int channels, int channel);

}  // namespace decodetest

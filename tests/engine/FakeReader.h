#pragma once
// A PCM reader standing in for a file: it "decodes" a chosen number of sine
// samples at a chosen pace, or fails to open, or fails while reading, or
// never ends until it is stopped.
#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "decode/PcmReader.h"
#include "engine/ReaderFactory.h"

// Holds a source's step until a test sets it.
using FakeGate = std::shared_ptr<std::atomic<bool>>;
inline FakeGate NewGate() { return std::make_shared<std::atomic<bool>>(false); }

struct FakeSource {
    uint32_t sampleRate = 44100;
    int channels = 2;
    uint64_t frames = 44100;         // samples per channel the file holds
    int chunkFrames = 1152;          // samples per channel per pulled block
    std::chrono::microseconds pace{0};  // pause after each buffer
    std::chrono::milliseconds openDelay{0};
    bool failOpen = false;
    bool neverEnds = false;          // delivers nothing and no end of stream
    bool failRead = false;           // after its samples the read fails
    // When given, the open (after it is recorded) and the end of stream wait
    // until the gate is set, the conversion is aborted or the source stopped.
    FakeGate openGate;
    FakeGate endGate;
};

// Which source each path stands for; also records the order of opening.
class FakeSources {
public:
    static FakeSources& Instance();
    void Clear();
    void Add(const std::u16string& path, const FakeSource& source);
    FakeSource Get(const std::u16string& path);
    void RecordOpen(const std::u16string& path);
    std::vector<std::u16string> OpenOrder();
    // The factory that makes fake readers, for a conversion's context; the
    // guard forgets the sources at its end.
    struct Installed {
        ~Installed();
        ReaderFactory Factory() const;
    };

private:
    std::mutex m_mutex;
    std::map<std::u16string, FakeSource> m_sources;
    std::vector<std::u16string> m_opened;
};

class CFakeReader : public CPcmReader {
public:
    explicit CFakeReader(const std::atomic<bool>& stop) : CPcmReader(stop) {}

    eReadError Open(const std::u16string& path, const std::optional<sPcmFormat>& required) override;
    sPcmFormat Format() const override { return {m_source.sampleRate, m_source.channels}; }
    uint32_t NativeRate() const override { return m_source.sampleRate; }
    int64_t Duration() const override;
    int64_t Position() const override { return m_position.load(); }
    void SetWindow(int64_t, int64_t) override {}
    ePull Pull(sPcmSpan& block) override;

private:
    // Waits until the gate is set, the conversion is aborted or the reader stopped.
    void WaitFor(const FakeGate& gate) const;

    FakeSource m_source;
    uint64_t m_produced = 0;
    std::vector<float> m_samples;
    std::vector<const float*> m_planes;
    std::atomic<int64_t> m_position{0};
};

#pragma once
// A PCM source standing in for a decoding graph: it "decodes" a chosen number
// of sine samples at a chosen pace on a thread of its own, or fails to open,
// or never ends until it is stopped.
#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "decode/Graph.h"
#include "engine/GraphFactory.h"

// Holds a source's step until a test sets it.
using FakeGate = std::shared_ptr<std::atomic<bool>>;
inline FakeGate NewGate() { return std::make_shared<std::atomic<bool>>(false); }

struct FakeSource {
    uint32_t sampleRate = 44100;
    uint16_t channels = 2;
    uint64_t frames = 44100;         // samples per channel the file holds
    int chunkFrames = 1152;          // samples per channel per delivered buffer
    std::chrono::microseconds pace{0};  // pause after each buffer
    std::chrono::milliseconds openDelay{0};
    bool failOpen = false;
    bool neverEnds = false;          // delivers nothing and no end of stream
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
    // The factory that opens the fake sources, for a conversion's context;
    // the guard forgets the sources at its end.
    struct Installed {
        ~Installed();
        GraphFactory Factory() const;
    };

private:
    std::mutex m_mutex;
    std::map<std::u16string, FakeSource> m_sources;
    std::vector<std::u16string> m_opened;
};

class CFakeGraph : public CGraphSound {
public:
    CFakeGraph(const std::u16string& path, const WAVEFORMATEX* required);
    ~CFakeGraph() override;

    HRESULT Init() override;
    HRESULT Run() override;
    HRESULT Stop() override;
    HRESULT Close() override;
    int64_t GetPosition() override { return m_position.load(); }
    const CMediaType& ConnectedType() const override { return m_type; }

private:
    void Stream();

    FakeSource m_source;
    CMediaType m_type;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<int64_t> m_position{0};
};

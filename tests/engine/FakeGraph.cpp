#include "FakeGraph.h"

#include <cmath>
#include <memory>
#include <system_error>

#include "engine/GraphFactory.h"

namespace {
class CBufferSample : public IMediaSample {
public:
    CBufferSample(const uint8_t* data, long length) : m_data(data), m_length(length) {}
    const uint8_t* GetPointer() const override { return m_data; }
    long GetActualDataLength() const override { return m_length; }

private:
    const uint8_t* m_data;
    long m_length;
};
}  // namespace

FakeSources& FakeSources::Instance()
{
    static FakeSources instance;
    return instance;
}

void FakeSources::Clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_sources.clear();
    m_opened.clear();
}

void FakeSources::Add(const std::u16string& path, const FakeSource& source)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_sources[path] = source;
}

FakeSource FakeSources::Get(const std::u16string& path)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_sources.find(path);
    if (it == m_sources.end()) {
        FakeSource missing;
        missing.failOpen = true;
        return missing;
    }
    return it->second;
}

void FakeSources::RecordOpen(const std::u16string& path)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_opened.push_back(path);
}

std::vector<std::u16string> FakeSources::OpenOrder()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_opened;
}

GraphFactory FakeSources::Installed::Factory() const
{
    return [](const std::u16string& path, const WAVEFORMATEX* required) -> std::unique_ptr<CGraphSound> {
        return std::make_unique<CFakeGraph>(path, required);
    };
}

FakeSources::Installed::~Installed()
{
    FakeSources::Instance().Clear();
}

CFakeGraph::CFakeGraph(const std::u16string& path, const WAVEFORMATEX* required) : CGraphSound(path, required) {}

CFakeGraph::~CFakeGraph()
{
    CFakeGraph::Close();
}

HRESULT CFakeGraph::Init()
{
    m_source = FakeSources::Instance().Get(m_strFile);
    FakeSources::Instance().RecordOpen(m_strFile);
    std::this_thread::sleep_for(m_source.openDelay);
    while (m_source.openGate && !m_source.openGate->load() && !ConversionStopped())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (m_source.failOpen)
        return VFW_E_UNKNOWN_FILE_TYPE;
    const WAVEFORMATEX format = MakePcm16Format(m_source.sampleRate, m_source.channels);
    if (m_pFormat != nullptr && !SameFormatBytes(*m_pFormat, format))
        return VFW_E_CANNOT_CONNECT;
    m_type = CMediaType::FromWaveFormat(format);
    m_llDuration = static_cast<int64_t>(m_source.frames * 10000000ull / m_source.sampleRate);
    return S_OK;
}

HRESULT CFakeGraph::Run()
{
    try {
        m_thread = std::thread([this] { Stream(); });
    } catch (const std::system_error&) {
        return E_OUTOFMEMORY;  // as the real graph reports a streaming thread it cannot start
    }
    return S_OK;
}

HRESULT CFakeGraph::Stop()
{
    m_stop.store(true);
    if (m_thread.joinable())
        m_thread.join();
    return S_OK;
}

HRESULT CFakeGraph::Close()
{
    return Stop();
}

void CFakeGraph::Stream()
{
    if (m_source.neverEnds) {
        while (!m_stop.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return;
    }
    const int channels = m_source.channels;
    std::vector<int16_t> buffer(static_cast<size_t>(m_source.chunkFrames * channels));
    uint64_t produced = 0;
    while (produced < m_source.frames && !m_stop.load()) {
        const auto n = static_cast<int>(std::min<uint64_t>(static_cast<uint64_t>(m_source.chunkFrames),
                                                            m_source.frames - produced));
        for (int i = 0; i < n; ++i) {
            const double t = static_cast<double>(produced + static_cast<uint64_t>(i)) / m_source.sampleRate;
            const auto v = static_cast<int16_t>(8000.0 * std::sin(2.0 * M_PI * 440.0 * t));
            for (int c = 0; c < channels; ++c)
                buffer[static_cast<size_t>(i * channels + c)] = v;
        }
        CBufferSample sample(reinterpret_cast<const uint8_t*>(buffer.data()),
                             static_cast<long>(n) * channels * 2);
        if (m_pCallback != nullptr)
            m_pCallback->OnSample(&sample);
        produced += static_cast<uint64_t>(n);
        m_position.store(static_cast<int64_t>(produced * 10000000ull / m_source.sampleRate));
        // Like the real decoder: once the conversion stops the stream ends at once.
        if (ConversionStopped())
            break;
        if (m_source.pace.count() > 0)
            std::this_thread::sleep_for(m_source.pace);
    }
    while (m_source.endGate && !m_source.endGate->load() && !m_stop.load() && !ConversionStopped())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (m_pCallback != nullptr)
        m_pCallback->OnEndOfStream();
}

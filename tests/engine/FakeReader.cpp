#include "FakeReader.h"

#include <cmath>
#include <memory>
#include <thread>

#include "engine/ReaderFactory.h"

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

ReaderFactory FakeSources::Installed::Factory() const
{
    return [](const std::atomic<bool>& stop) -> std::unique_ptr<CPcmReader> {
        return std::make_unique<CFakeReader>(stop);
    };
}

FakeSources::Installed::~Installed()
{
    FakeSources::Instance().Clear();
}

void CFakeReader::WaitFor(const FakeGate& gate) const
{
    while (gate && !gate->load() && !StopRequested())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

eReadError CFakeReader::Open(const std::u16string& path, const std::optional<sPcmFormat>& required)
{
    m_source = FakeSources::Instance().Get(path);
    FakeSources::Instance().RecordOpen(path);
    std::this_thread::sleep_for(m_source.openDelay);
    WaitFor(m_source.openGate);
    if (m_source.failOpen)
        return eReadError::UnknownFileType;
    if (required && *required != Format())
        return eReadError::CannotConvert;
    return eReadError::None;
}

int64_t CFakeReader::Duration() const
{
    return static_cast<int64_t>(m_source.frames * 10000000ull / m_source.sampleRate);
}

CPcmReader::ePull CFakeReader::Pull(sPcmSpan& block)
{
    block = {};
    if (m_source.neverEnds) {
        while (!StopRequested())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return ePull::Stopped;
    }
    if (StopRequested())
        return ePull::Stopped;
    if (m_produced >= m_source.frames) {
        WaitFor(m_source.endGate);
        return StopRequested() ? ePull::Stopped : m_source.failRead ? ePull::Failed : ePull::End;
    }
    if (m_produced > 0 && m_source.pace.count() > 0)
        std::this_thread::sleep_for(m_source.pace);
    const auto n = static_cast<int>(std::min<uint64_t>(static_cast<uint64_t>(m_source.chunkFrames),
                                                        m_source.frames - m_produced));
    m_samples.resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(m_produced + static_cast<uint64_t>(i)) / m_source.sampleRate;
        m_samples[static_cast<size_t>(i)] = static_cast<float>(0.25 * std::sin(2.0 * M_PI * 440.0 * t));
    }
    // Every channel the same tone.
    m_planes.assign(static_cast<size_t>(m_source.channels), m_samples.data());
    m_produced += static_cast<uint64_t>(n);
    m_position.store(static_cast<int64_t>(m_produced * 10000000ull / m_source.sampleRate));
    block.planes = m_planes.data();
    block.samples = n;
    return ePull::Samples;
}

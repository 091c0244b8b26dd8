#include "DecodeTestSupport.h"

#include <cstring>

#include "base/Diagnostics.h"
#include "base/Text.h"

namespace decodetest {

void CPcmCollector::OnSample(IMediaSample* sample)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_nEnds > 0)
        ++m_nSamplesAfterEnd;
    ++m_nSamples;
    const uint8_t* data = sample->GetPointer();
    m_bytes.insert(m_bytes.end(), data, data + sample->GetActualDataLength());
}

void CPcmCollector::OnEndOfStream()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_nEnds;
    }
    m_ended.Set();
}

std::vector<uint8_t> CPcmCollector::Bytes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bytes;
}

int CPcmCollector::Samples() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nSamples;
}

int CPcmCollector::EndsOfStream() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nEnds;
}

int CPcmCollector::SamplesAfterEnd() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nSamplesAfterEnd;
}

CDebugCapture::CDebugCapture()
{
    SetDebugSink([this](const std::string& line) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.push_back(line);
    });
}

CDebugCapture::~CDebugCapture() { SetDebugSink({}); }

std::vector<std::string> CDebugCapture::Lines() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
}

DecodeResult DecodeFile(const std::filesystem::path& file, const WAVEFORMATEX* required)
{
    DecodeResult result;
    CDebugCapture capture;
    CPcmCollector collector;
    {
        CGraphSound graph(FromPath(file), required);
        result.hr = graph.Init();
        if (SUCCEEDED(result.hr)) {
            if (const WAVEFORMATEX* format = graph.ConnectedType().WaveFormat())
                result.format = *format;
            result.duration = graph.m_llDuration;
            graph.m_pCallback = &collector;
            if (SUCCEEDED(graph.Run()) && collector.WaitForEnd(60000)) {
                graph.Stop();
                result.finalPosition = graph.GetPosition();
            }
        }
        graph.Close();
    }
    result.pcm = collector.Bytes();
    result.ends = collector.EndsOfStream();
    result.samplesAfterEnd = collector.SamplesAfterEnd();
    result.debugLines = capture.Lines();
    return result;
}

std::string FailureLine(HRESULT hr, const std::string& where)
{
    return Printf("FAILED(hr=0x%x) in %s\n", static_cast<unsigned>(hr), where.c_str());
}

int ZeroCrossings(const std::vector<uint8_t>& pcm, int channels, int channel)
{
    const size_t frames = pcm.size() / (2 * static_cast<size_t>(channels));
    int crossings = 0;
    bool havePrevious = false;
    bool previousNegative = false;
    for (size_t i = 0; i < frames; ++i) {
        int16_t value;
        std::memcpy(&value, pcm.data() + (i * static_cast<size_t>(channels) + static_cast<size_t>(channel)) * 2, 2);
        if (value == 0)
            continue;
        const bool negative = value < 0;
        if (havePrevious && negative != previousNegative)
            ++crossings;
        previousNegative = negative;
        havePrevious = true;
    }
    return crossings;
}

}  // namespace decodetest

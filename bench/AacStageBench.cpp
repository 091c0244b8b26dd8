// Encodes interleaved 16-bit stereo PCM from a raw file through the engine's
// AAC stage and prints the wall time: bench_aac_stage PCM_FILE [RATE CHANNELS]
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "engine/UnitEncoder.h"
#include "engine/ConversionContext.h"
#include "MemoryReader.h"

namespace {
class CCountingWriter : public IWriterCallback {
public:
    void OnFrame(const uint8_t*, int size, uint64_t) override { bytes += static_cast<uint64_t>(size); }
    void OnEnd(uint64_t) override {}
    uint64_t bytes = 0;
};
}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PCM_FILE [RATE CHANNELS]\n", argv[0]);
        return 2;
    }
    const uint32_t rate = argc > 2 ? static_cast<uint32_t>(std::stoul(argv[2])) : 44100;
    const auto channels = static_cast<uint16_t>(argc > 3 ? std::stoi(argv[3]) : 2);
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // As a decoder puts it out: float planar.
    const size_t length = bytes.size() / 2 / channels;
    std::vector<std::vector<float>> planes(channels, std::vector<float>(length));
    for (size_t i = 0; i < length; ++i) {
        for (size_t c = 0; c < channels; ++c) {
            int16_t sample;
            std::memcpy(&sample, bytes.data() + (i * channels + c) * 2, 2);
            planes[c][i] = static_cast<float>(sample) / 32768.0f;
        }
    }

    sConversionContext context;
    context.m_openReader = [&](const std::atomic<bool>& stop) -> std::unique_ptr<CPcmReader> {
        return std::make_unique<CMemoryReader>(stop, &planes, rate);
    };
    CRunState run;
    CCountingWriter writer;
    sInputFile input{u"memory", u"memory", 0};
    const auto start = std::chrono::steady_clock::now();
    {
        CUnitEncoder encoder(context, run, nullptr, input, &writer);
        if (!encoder.HasReader())
            return 1;
        encoder.Run();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.3f\n", seconds);
    std::fprintf(stderr, "encoded %llu bytes\n", static_cast<unsigned long long>(writer.bytes));
    return 0;
}

#include "engine/Encoder.h"

#include <algorithm>
#include <cstring>

#include "base/Diagnostics.h"
#include "engine/GraphFactory.h"
#include "base/Text.h"

namespace {
// Frames past a unit's last kept frame that its encoder is given, so that it
// chooses that frame's window knowing what follows, as one continuous
// encoder would.
constexpr uint64_t kLookaheadFrames = 2;
}  // namespace

CEncoder::CEncoder(const sConversionContext& context, CRunState& run, const WAVEFORMATEX* requiredFormat,
                   const sInputFile& input, IWriterCallback* writer, const sWorkUnit& unit)
    : m_context(context),
      m_run(run),
      m_pWriter(writer),
      m_console(*context.m_pConsole),
      m_strPath(input.m_strPath),
      m_unit(unit),
      m_queue(*context.m_pConsole, run.StopFlag())
{
    m_pGraph = CreateGraph(context.m_openDecoder, input.m_strPath, requiredFormat);
    m_pGraph->SetConversion(&run.StopFlag(), [&run](const std::u16string& message) { run.Fail(message); });
    if (FAILED(m_pGraph->Init())) {
        m_run.Fail(FormatWithPath(u"Can't read file %ls", m_strPath));
        ReleaseGraph();
        return;
    }
    if (requiredFormat != nullptr) {
        m_format = *requiredFormat;
    } else if (const WAVEFORMATEX* negotiated = m_pGraph->ConnectedType().WaveFormat()) {
        std::memcpy(&m_format, negotiated, sizeof(WAVEFORMATEX));
    }
    if (!OpenAacEncoder(m_format))
        ReleaseGraph();
    else
        NarrowToUnit();
}

void CEncoder::NarrowToUnit()
{
    if (m_unit.Whole())
        return;
    if (m_pGraph->NativeRate() != m_format.nSamplesPerSec) {
        // A stretch is found by its samples' numbers at the file's own rate:
        // the file must have changed since the book was planned.
        m_run.Fail(FormatWithPath(u"Can't read file %ls", m_strPath));
        ReleaseGraph();
        return;
    }
    const uint64_t block = m_nFrameLength;
    const uint64_t preroll = m_unit.First() ? 0 : std::min(m_unit.prerollFrames, m_unit.firstFrame);
    m_nFirstBlock = m_unit.firstFrame - preroll;
    // The encoder's frame n (its first is priming) spans the file's blocks
    // m_nFirstBlock + n - 1 and m_nFirstBlock + n, and a decoder puts out the
    // first of them once it has both frames that cover it: the unit keeps
    // the frames that complete its own blocks, and the file's first unit the
    // priming as well.
    m_nKeepFrom = m_unit.First() ? 0 : preroll + 1;
    m_nKeepTo = m_unit.Last() ? UINT64_MAX : m_unit.endFrame - m_nFirstBlock + 1;
    const uint64_t end = m_unit.Last() ? UINT64_MAX : (m_unit.endFrame + kLookaheadFrames) * block;
    m_pGraph->SetWindow(static_cast<int64_t>(m_nFirstBlock * block),
                        end > INT64_MAX ? INT64_MAX : static_cast<int64_t>(end));
}

int64_t CEncoder::UnitStart() const
{
    const uint64_t rate = m_format.nSamplesPerSec;
    return rate ? static_cast<int64_t>(m_unit.firstFrame * m_nFrameLength * 10000000ull / rate) : 0;
}

int64_t CEncoder::Duration() const
{
    if (!m_pGraph)
        return 0;
    const int64_t file = m_pGraph->m_llDuration;
    if (m_unit.Whole())
        return file;
    const int64_t start = UnitStart();
    if (m_unit.Last() || m_format.nSamplesPerSec == 0)
        return file > start ? file - start : 0;
    return static_cast<int64_t>((m_unit.endFrame - m_unit.firstFrame) * m_nFrameLength * 10000000ull /
                                m_format.nSamplesPerSec);
}

int64_t CEncoder::Position() const
{
    if (!m_pGraph)
        return 0;
    const int64_t position = m_pGraph->GetPosition() - UnitStart();
    return std::clamp<int64_t>(position, 0, m_unit.Whole() ? INT64_MAX : Duration());
}

uint64_t CEncoder::FileSamples() const
{
    const uint64_t block = m_nFrameLength;
    const uint64_t end = m_nFirstBlock * block + (m_nSamplesIn - m_nSilence);
    const uint64_t keepStart = m_unit.First() ? 0 : m_unit.firstFrame * block;
    const uint64_t keepEnd = m_unit.Last() ? UINT64_MAX : m_unit.endFrame * block;
    return std::clamp(end, keepStart, keepEnd) - keepStart;
}

CEncoder::~CEncoder()
{
    ReleaseGraph();
}

sTrackSetup CEncoder::TrackSetup() const
{
    sTrackSetup setup;
    setup.format = m_format;
    if (m_hEncoder) {
        setup.config = m_hEncoder->GetDecoderSpecificInfo();
        setup.delay = m_hEncoder->Delay();
    }
    setup.tool = aac::Encoder::GetVersion();
    return setup;
}

void CEncoder::ReleaseGraph()
{
    if (m_pGraph) {
        m_pGraph->Close();
        m_pGraph.reset();
    }
}

bool CEncoder::OpenAacEncoder(const WAVEFORMATEX& format)
{
    m_nChannels = format.nChannels;
    unsigned long inputSamples = 0;
    unsigned long maxOutputBytes = 0;
    if (m_nChannels > 0)
        m_hEncoder = aac::Encoder::Open(format.nSamplesPerSec, static_cast<unsigned>(m_nChannels), inputSamples,
                                        maxOutputBytes);
    if (!m_hEncoder) {
        // The format could not be encoded; end the conversion with a message
        // instead of leaving the writer waiting.
        m_run.Fail(FormatWithPath(u"Can't encode file %ls", m_strPath));
        return false;
    }
    m_nInputSamples = static_cast<uint32_t>(inputSamples);
    m_nMaxOutputBytes = static_cast<uint32_t>(maxOutputBytes);
    m_nFrameLength = m_nMaxFrameDuration = m_nInputSamples / static_cast<uint32_t>(m_nChannels);
    m_output.resize(m_nMaxOutputBytes);
    m_queue.SetBlockSize(static_cast<int>(m_nInputSamples), m_nChannels);

    aac::Configuration config = m_hEncoder->GetCurrentConfiguration();
    config.mpegVersion = aac::MPEG4;
    config.aacObjectType = aac::LOW;
    config.allowMidside = 1;
    config.useTns = 0;
    const sEncodingChoice& encoding = m_context.m_encoding;
    config.bitRate = encoding.m_bitrate.value_or(config.bitRate);
    config.bandWidth = 0;
    config.outputFormat = aac::RAW_STREAM;
    config.inputFormat = aac::INPUT_16BIT;
    config.shortctl = aac::SHORTCTL_NORMAL;
    if (!m_hEncoder->SetConfiguration(config)) {
        if (encoding.m_bStrict) {
            // A rate asked for in so many words is not swapped for the default:
            // the conversion ends here, before the book's file is created.
            const unsigned long rate = format.nSamplesPerSec;
            m_run.Fail(FromUtf8(Printf("The bit rate %lu is not possible at %lu Hz: give %lu to %lu bit/s per "
                                           "channel",
                                           config.bitRate, rate, aac::MinBitRatePerChannel(),
                                           aac::MaxBitRatePerChannel(rate))));
            m_hEncoder.reset();
            return false;
        }
        m_console.Write(IConsoleSink::ERRORS, "Unsupported output format!\n");
    }
    return true;
}

void CEncoder::Run()
{
    m_queue.SetEnd(false);
    m_pGraph->m_pCallback = &m_queue;
    if (FAILED(m_pGraph->Run())) {
        // Without a running graph no sample and no end of stream would come.
        m_run.Fail(FormatWithPath(u"Can't read file %ls", m_pGraph->m_strFile));
    }
    while (auto block = m_queue.Pop()) {
        m_nSilence += static_cast<uint64_t>(block->silence / m_nChannels);
        EncodeBlock(block->samples.get(), block->count);
    }
    if (m_run.Stopped())
        m_pGraph->Stop();

    for (;;) {
        const int bytes = m_hEncoder->Encode(nullptr, 0, m_output.data(), m_nMaxOutputBytes);
        if (bytes == 0)
            break;
        if (bytes < 0) {
            m_console.Write(IConsoleSink::ERRORS, "faacEncEncode() failed\n");
            FailEncoding();
            break;
        }
        HandOnFrame(bytes);
    }
    m_pWriter->OnEnd(FileSamples());
}

int CEncoder::EncodeBlock(const int16_t* samples, int count)
{
    m_nSamplesIn += static_cast<uint64_t>(count / m_nChannels);
    const int bytes = m_hEncoder->Encode(samples, static_cast<unsigned>(count), m_output.data(), m_nMaxOutputBytes);
    if (bytes < 0) {
        m_console.Write(IConsoleSink::ERRORS, "faacEncEncode() failed\n");
        FailEncoding();  // the abort ends Run's loop
        return 0;
    }
    if (bytes > 0)
        HandOnFrame(bytes);
    return 1;
}

void CEncoder::FailEncoding()
{
    // Audio the encoder lost would leave a gap in a book reported complete.
    m_run.Fail(FormatWithPath(u"Can't encode file %ls", m_strPath));
}

void CEncoder::HandOnFrame(int bytes)
{
    // While the encoder lags behind its input every frame lasts one frame
    // length; the frame that reaches samples in + one frame length gets the
    // remainder, any later one 0. The encoder gives one frame more than it
    // took blocks, so with whole blocks (the last one is filled up) every
    // frame lasts one frame length.
    const uint64_t d = uint64_t{m_nFrameLength} + m_nSamplesIn - m_nSamplesOut;
    const uint64_t duration = d <= m_nMaxFrameDuration ? d : m_nMaxFrameDuration;
    m_nSamplesOut += duration;
    const uint64_t frame = m_nFrames++;
    if (frame >= m_nKeepFrom && frame < m_nKeepTo)
        m_pWriter->OnFrame(m_output.data(), bytes, duration);
}

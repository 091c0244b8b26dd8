#include "engine/UnitEncoder.h"

#include <algorithm>
#include <system_error>
#include <thread>

#include "base/Diagnostics.h"
#include "engine/ReaderFactory.h"
#include "base/Text.h"

namespace {
// Frames past a unit's last kept frame that its encoder is given, so that it
// chooses that frame's window knowing what follows, as one continuous
// encoder would.
constexpr uint64_t kLookaheadFrames = 2;
}  // namespace

CUnitEncoder::CUnitEncoder(const sConversionContext& context, CRunState& run, const WAVEFORMATEX* requiredFormat,
                   const sInputFile& input, IWriterCallback* writer, const sWorkUnit& unit)
    : m_context(context),
      m_run(run),
      m_pWriter(writer),
      m_console(*context.m_pConsole),
      m_strPath(input.m_strPath),
      m_unit(unit),
      m_queue(*context.m_pConsole, run.StopFlag())
{
    // The reader stops with the conversion: a pull ends, and so does an open
    // or a read blocked on the input (a stalled mount, a pipe).
    m_pReader = CreateReader(context.m_openReader, run.StopFlag());
    std::optional<sPcmFormat> required;
    if (requiredFormat != nullptr)
        required = sPcmFormat{requiredFormat->nSamplesPerSec, requiredFormat->nChannels};
    if (m_pReader->Open(input.m_strPath, required) != eReadError::None) {
        m_run.Fail(FormatWithPath(u"Can't read file %ls", m_strPath));
        ReleaseReader();
        return;
    }
    if (requiredFormat != nullptr) {
        m_format = *requiredFormat;
    } else {
        const sPcmFormat chosen = m_pReader->Format();
        m_format = MakePcm16Format(chosen.rate, static_cast<uint16_t>(chosen.channels));
    }
    if (!OpenAacEncoder(m_format)) {
        ReleaseReader();
        return;
    }
    NarrowToUnit();
    // The blocks in hand give the levels that chapter cuts look for pauses
    // in; each unit measures its own stretch, so nothing is measured twice.
    if (context.m_split.Splits() && context.m_split.m_eMode == eSplitMode::Pauses) {
        const uint64_t block = m_nFrameLength;
        m_meter.emplace(LevelWindowSamples(m_format.nSamplesPerSec), m_unit.First() ? 0 : m_unit.firstFrame * block,
                        m_unit.Last() ? UINT64_MAX : m_unit.endFrame * block);
    }
}

void CUnitEncoder::NarrowToUnit()
{
    if (m_unit.Whole())
        return;
    if (m_pReader->NativeRate() != m_format.nSamplesPerSec) {
        // A stretch is found by its samples' numbers at the file's own rate:
        // the file must have changed since the book was planned.
        m_run.Fail(FormatWithPath(u"Can't read file %ls", m_strPath));
        ReleaseReader();
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
    m_pReader->SetWindow(static_cast<int64_t>(m_nFirstBlock * block),
                        end > INT64_MAX ? INT64_MAX : static_cast<int64_t>(end));
}

int64_t CUnitEncoder::UnitStart() const
{
    const uint64_t rate = m_format.nSamplesPerSec;
    return rate ? static_cast<int64_t>(m_unit.firstFrame * m_nFrameLength * 10000000ull / rate) : 0;
}

int64_t CUnitEncoder::Duration() const
{
    if (!m_pReader)
        return 0;
    const int64_t file = m_pReader->Duration();
    if (m_unit.Whole())
        return file;
    const int64_t start = UnitStart();
    if (m_unit.Last() || m_format.nSamplesPerSec == 0)
        return file > start ? file - start : 0;
    return static_cast<int64_t>((m_unit.endFrame - m_unit.firstFrame) * m_nFrameLength * 10000000ull /
                                m_format.nSamplesPerSec);
}

int64_t CUnitEncoder::Position() const
{
    if (!m_pReader)
        return 0;
    const int64_t position = m_pReader->Position() - UnitStart();
    return std::clamp<int64_t>(position, 0, m_unit.Whole() ? INT64_MAX : Duration());
}

uint64_t CUnitEncoder::FileSamples() const
{
    const uint64_t block = m_nFrameLength;
    const uint64_t end = m_nFirstBlock * block + (m_nSamplesIn - m_nSilence);
    const uint64_t keepStart = m_unit.First() ? 0 : m_unit.firstFrame * block;
    const uint64_t keepEnd = m_unit.Last() ? UINT64_MAX : m_unit.endFrame * block;
    return std::clamp(end, keepStart, keepEnd) - keepStart;
}

CUnitEncoder::~CUnitEncoder()
{
    ReleaseReader();
}

sTrackSetup CUnitEncoder::TrackSetup() const
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

void CUnitEncoder::ReleaseReader()
{
    // Run has joined the decoding thread before it returns.
    m_pReader.reset();
}

bool CUnitEncoder::OpenAacEncoder(const WAVEFORMATEX& format)
{
    m_nChannels = format.nChannels;
    unsigned int frameLength = 0;
    unsigned long maxOutputBytes = 0;
    if (m_nChannels > 0)
        m_hEncoder = aac::Encoder::Open(format.nSamplesPerSec, static_cast<unsigned>(m_nChannels), frameLength,
                                        maxOutputBytes);
    if (!m_hEncoder) {
        // The format could not be encoded; end the conversion with a message
        // instead of leaving the writer waiting.
        m_run.Fail(FormatWithPath(u"Can't encode file %ls", m_strPath));
        return false;
    }
    m_nMaxOutputBytes = static_cast<uint32_t>(maxOutputBytes);
    m_nFrameLength = m_nMaxFrameDuration = frameLength;
    m_output.resize(m_nMaxOutputBytes);
    m_planes.resize(static_cast<size_t>(m_nChannels));
    m_queue.SetBlockSize(static_cast<int>(frameLength), m_nChannels);

    aac::Configuration config = m_hEncoder->CurrentConfiguration();
    config.midSide = true;
    config.temporalNoiseShaping = false;
    const sEncodingChoice& encoding = m_context.m_encoding;
    config.bitRatePerChannel = encoding.m_bitrate.value_or(config.bitRatePerChannel);
    config.bandwidth = 0;
    if (!m_hEncoder->Configure(config)) {
        if (encoding.m_bStrict) {
            // A rate asked for in so many words is not swapped for the default:
            // the conversion ends here, before the book's file is created.
            const unsigned long rate = format.nSamplesPerSec;
            m_run.Fail(FromUtf8(Printf("The bit rate %lu is not possible at %lu Hz: give %lu to %lu bit/s per "
                                           "channel",
                                           config.bitRatePerChannel, rate, aac::MinBitRatePerChannel(),
                                           aac::MaxBitRatePerChannel(rate))));
            m_hEncoder.reset();
            return false;
        }
        m_console.Write(IConsoleSink::ERRORS, "Unsupported output format!\n");
    }
    return true;
}

void CUnitEncoder::Run()
{
    m_queue.SetEnd(false);
    std::thread decoding;
    try {
        decoding = std::thread(&CUnitEncoder::Decode, this);
    } catch (const std::system_error&) {
        // Without a decoding thread no sample and no end of stream would come.
        m_run.Fail(FormatWithPath(u"Can't read file %ls", m_strPath));
    }
    while (auto block = m_queue.Pop()) {
        m_nSilence += static_cast<uint64_t>(block->silence);
        if (m_meter) {
            for (int c = 0; c < m_nChannels; ++c)
                m_planes[static_cast<size_t>(c)] = block->Plane(c);
            m_meter->Add(m_planes.data(), m_nChannels, block->length - block->silence,
                         m_nFirstBlock * m_nFrameLength + m_nSamplesIn);
        }
        EncodeBlock(*block);
    }
    if (decoding.joinable())
        decoding.join();

    for (;;) {
        const int bytes = m_hEncoder->Encode(nullptr, 0, m_output.data(), m_nMaxOutputBytes);
        if (bytes == 0)
            break;
        if (bytes < 0) {
            m_console.Write(IConsoleSink::ERRORS, "AAC encoding failed\n");
            FailEncoding();
            break;
        }
        HandOnFrame(bytes);
    }
    if (m_meter)
        m_pWriter->OnLevels(m_meter->Take());
    m_pWriter->OnEnd(FileSamples());
}

void CUnitEncoder::Decode()
{
    try {
        sPcmSpan span;
        for (;;) {
            // After an abort the encoder hears the end at once and nothing follows.
            if (m_run.Stopped())
                break;
            const CPcmReader::ePull pulled = m_pReader->Pull(span);
            if (pulled == CPcmReader::ePull::Samples) {
                m_queue.Append(span.planes, span.samples);
                continue;
            }
            if (pulled == CPcmReader::ePull::Stopped)
                return;  // a stop is not the end of the stream
            if (pulled == CPcmReader::ePull::Failed) {
                // The rest of the file cannot be read or turned into the
                // book's PCM: end the conversion with a message rather than
                // leave the file cut short.
                m_run.Fail(FormatWithPath(u"Can't read file %ls", m_strPath));
            }
            break;
        }
    } catch (const std::exception&) {
        // Out of memory while decoding: this conversion ends with a message,
        // and the encoder still learns that no more samples will come.
        m_run.Fail(FormatWithPath(u"Can't read file %ls", m_strPath));
    }
    m_queue.OnEndOfStream();
}

int CUnitEncoder::EncodeBlock(const sPcmBlock& block)
{
    m_nSamplesIn += static_cast<uint64_t>(block.length);
    for (int c = 0; c < m_nChannels; ++c)
        m_planes[static_cast<size_t>(c)] = block.Plane(c);
    const int bytes = m_hEncoder->Encode(m_planes.data(), static_cast<unsigned>(block.length), m_output.data(),
                                         m_nMaxOutputBytes);
    if (bytes < 0) {
        m_console.Write(IConsoleSink::ERRORS, "AAC encoding failed\n");
        FailEncoding();  // the abort ends Run's loop
        return 0;
    }
    if (bytes > 0)
        HandOnFrame(bytes);
    return 1;
}

void CUnitEncoder::FailEncoding()
{
    // Audio the encoder lost would leave a gap in a book reported complete.
    m_run.Fail(FormatWithPath(u"Can't encode file %ls", m_strPath));
}

void CUnitEncoder::HandOnFrame(int bytes)
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

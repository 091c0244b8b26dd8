#include "decode/PcmReader.h"

#include "decode/ContainerFacts.h"

namespace {
// Lets a blocking open or read end on a stop instead of holding the thread
// for ever.
int InterruptRequested(void* opaque)
{
    return static_cast<const std::atomic<bool>*>(opaque)->load() ? 1 : 0;
}
}  // namespace

const char* Describe(eReadError error)
{
    switch (error) {
    case eReadError::None: return "no error";
    case eReadError::FileNotFound: return "file not found";
    case eReadError::AccessDenied: return "access denied";
    case eReadError::OutOfMemory: return "out of memory";
    case eReadError::UnknownFileType: return "unknown file type";
    case eReadError::NoAudio: return "no usable audio stream";
    case eReadError::NoDecoder: return "the audio cannot be decoded";
    case eReadError::CannotConvert: return "the audio cannot be converted to the book's format";
    case eReadError::ReadFailed: return "reading failed before the end";
    }
    return "unknown error";
}

CPcmReader::CPcmReader(const std::atomic<bool>& stop) : m_stop(stop) {}

CPcmReader::~CPcmReader() = default;

eReadError CPcmReader::Open(const std::u16string& path, const std::optional<sPcmFormat>& required)
{
    if (m_source)
        return eReadError::UnknownFileType;  // a reader opens one file once
    ffmpeg::FormatContext context(avformat_alloc_context());
    if (!context)
        return eReadError::OutOfMemory;
    context->interrupt_callback.callback = &InterruptRequested;
    context->interrupt_callback.opaque = const_cast<std::atomic<bool>*>(&m_stop);
    auto source = std::make_unique<CAudioSource>();
    if (const eReadError opened = source->Open(std::move(context), FileUrl(path)); opened != eReadError::None)
        return opened;
    if (const eReadError decoder = source->OpenDecoder(); decoder != eReadError::None)
        return decoder;
    if (!source->AllocatePacket() || !source->AllocateFrame())
        return eReadError::OutOfMemory;
    const std::optional<sPcmFormat> format = ChooseOutputFormat(source->SampleRate(), source->Channels(), required);
    if (!format)
        return eReadError::CannotConvert;
    m_format = *format;
    m_converter = std::make_unique<CPcmConverter>(m_format);
    m_llDuration = source->Duration();
    m_source = std::move(source);
    return eReadError::None;
}

uint32_t CPcmReader::NativeRate() const { return m_source ? m_source->SampleRate() : 0; }

void CPcmReader::SetWindow(int64_t first, int64_t end)
{
    if (m_source)
        m_source->SetWindow(first, end);
}

eWindowReach CPcmReader::WindowReachedBy() const
{
    return m_source ? m_source->WindowReachedBy() : eWindowReach::FromStart;
}

CPcmReader::ePull CPcmReader::Pull(sPcmSpan& block)
{
    block = {};
    if (!m_source || m_bEnded)
        return ePull::End;
    for (;;) {
        if (m_stop.load())
            return ePull::Stopped;
        if (!m_bFrameHeld) {
            const CAudioSource::ReadResult read = m_source->ReadFrame(m_stop);
            if (read == CAudioSource::ReadResult::Failed)
                return ePull::Failed;
            if (read == CAudioSource::ReadResult::End) {
                if (m_stop.load())
                    return ePull::Stopped;
                // What the resampler still holds is the stream's last samples.
                m_bEnded = true;
                if (!m_converter->Drain(block))
                    return ePull::Failed;
                return block.samples > 0 ? ePull::Samples : ePull::End;
            }
            m_llPosition = m_source->Position();
            m_bFrameHeld = true;
        }
        const AVFrame& frame = m_source->Frame();
        if (frame.nb_samples <= 0) {
            m_bFrameHeld = false;
            continue;
        }
        if (!m_converter->Accepts(frame)) {
            // The input changed within the stream (a rate change, say): hand
            // out what the old set-up holds, then follow the new input.
            if (!m_converter->Drain(block))
                return ePull::Failed;
            if (block.samples > 0)
                return ePull::Samples;
            if (!m_converter->SetUp(frame))
                return ePull::Failed;
        }
        m_bFrameHeld = false;
        if (!m_converter->Convert(frame, block))
            return ePull::Failed;
        if (block.samples > 0)
            return ePull::Samples;
    }
}

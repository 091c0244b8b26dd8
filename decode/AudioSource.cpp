#include "decode/AudioSource.h"
#include "decode/ContainerFacts.h"
#include "decode/FrameHeader.h"

#include <cerrno>

extern "C" {
#include <libavutil/mathematics.h>
}

namespace {
constexpr AVRational k100ns = {1, 10000000};
// Decoding errors in a row while draining after which the decoder is given up.
constexpr int kMaxDrainErrorsInARow = 64;

eReadError OpenFailure(int avError)
{
    switch (avError) {
    case AVERROR(ENOENT):
    case AVERROR(ENOTDIR):
        return eReadError::FileNotFound;
    case AVERROR(EACCES):
    case AVERROR(EPERM):
        return eReadError::AccessDenied;
    case AVERROR(ENOMEM):
        return eReadError::OutOfMemory;
    default:
        return eReadError::UnknownFileType;
    }
}

bool IsUsableAudio(const AVStream& stream)
{
    const AVCodecParameters& par = *stream.codecpar;
    return par.codec_type == AVMEDIA_TYPE_AUDIO && !(stream.disposition & AV_DISPOSITION_ATTACHED_PIC);
}
}  // namespace

eReadError CAudioSource::Open(ffmpeg::FormatContext context, const std::string& utf8Path)
{
    if (!context)
        return eReadError::OutOfMemory;
    AVFormatContext* raw = context.release();
    // On failure FFmpeg frees the context it was given.
    const int opened = avformat_open_input(&raw, utf8Path.c_str(), nullptr, nullptr);
    if (opened < 0)
        return OpenFailure(opened);
    m_format.reset(raw);
    m_strPath = utf8Path;

    // Its failure still leaves what could be learned; the stream check below decides.
    avformat_find_stream_info(m_format.get(), nullptr);

    for (unsigned i = 0; i < m_format->nb_streams; ++i) {
        AVStream* stream = m_format->streams[i];
        if (!m_pStream && IsUsableAudio(*stream))
            m_pStream = stream;
        else
            stream->discard = AVDISCARD_ALL;
    }
    if (!m_pStream)
        return eReadError::NoAudio;
    const AVCodecParameters& par = *m_pStream->codecpar;
    if (par.sample_rate < kMinStreamSampleRate || par.ch_layout.nb_channels <= 0)
        return eReadError::NoAudio;
    m_bFrameHeaders = HasFrameHeaders(par.codec_id, m_format->iformat->name);
    const std::optional<int64_t> exactLength = ExactStreamLength(*m_format, *m_pStream);
    m_bExactDuration = exactLength && LastPacketStartsBeforeStatedEnd();
    m_llExactLength = exactLength.value_or(0);
    return eReadError::None;
}

eReadError CAudioSource::OpenDecoder()
{
    if (!m_pStream)
        return eReadError::NoAudio;
    const AVCodec* decoder = avcodec_find_decoder(m_pStream->codecpar->codec_id);
    if (!decoder)
        return eReadError::NoDecoder;
    m_codec.reset(avcodec_alloc_context3(decoder));
    if (!m_codec)
        return eReadError::OutOfMemory;
    if (avcodec_parameters_to_context(m_codec.get(), m_pStream->codecpar) < 0)
        return eReadError::NoDecoder;
    m_codec->pkt_timebase = m_pStream->time_base;
    const int opened = avcodec_open2(m_codec.get(), decoder, nullptr);
    if (opened < 0)
        return opened == AVERROR(ENOMEM) ? eReadError::OutOfMemory : eReadError::NoDecoder;
    if (m_codec->sample_rate < kMinStreamSampleRate || m_codec->ch_layout.nb_channels <= 0)
        return eReadError::NoDecoder;
    return eReadError::None;
}

bool CAudioSource::AllocatePacket()
{
    m_packet.reset(av_packet_alloc());
    return m_packet != nullptr;
}

bool CAudioSource::AllocateFrame()
{
    m_frame.reset(av_frame_alloc());
    return m_frame != nullptr;
}

uint32_t CAudioSource::SampleRate() const
{
    return m_codec ? static_cast<uint32_t>(m_codec->sample_rate) : 0;
}

int CAudioSource::Channels() const { return m_codec ? m_codec->ch_layout.nb_channels : 0; }

int64_t CAudioSource::Duration() const
{
    return m_format && m_pStream ? StatedDuration(*m_format, *m_pStream) : 0;
}

CAudioSource::ReadResult CAudioSource::ReadFrame(const std::atomic<bool>& stop)
{
    if (!m_codec || !m_packet || !m_frame)
        return ReadResult::End;
    if (!m_bWindowReached) {
        m_bWindowReached = true;
        ReachWindow();
        if (!m_codec)
            return ReadResult::Failed;  // the file could not be opened anew
    }
    if (m_bPastEnd)
        return ReadResult::End;
    int drainErrors = 0;
    while (!stop) {
        const int received = avcodec_receive_frame(m_codec.get(), m_frame.get());
        if (received >= 0) {
            const std::optional<int64_t> start = FrameStart();
            const Fit fit = start ? FitToWindow(*start) : Fit::Misplaced;
            if (fit == Fit::Keep) {
                TrackPosition();
                return ReadResult::Frame;
            }
            av_frame_unref(m_frame.get());
            if (fit == Fit::End)
                return ReadResult::End;
            // A frame whose timestamp does not place it exactly, or that
            // starts past the window's first sample: decode from the start.
            if (fit == Fit::Misplaced && !Reopen())
                return ReadResult::Failed;
            continue;
        }
        if (received == AVERROR_EOF)
            return ReadResult::End;
        if (received == AVERROR(EAGAIN)) {
            if (m_bDraining)
                return ReadResult::End;
            if (!FeedDecoder())
                return ReadResult::Failed;
        } else if (m_bDraining && ++drainErrors > kMaxDrainErrorsInARow) {
            return ReadResult::End;
        }
        // Any other result is a frame the decoder could not decode: skip it.
    }
    return ReadResult::End;
}

bool CAudioSource::FeedDecoder()
{
    const int read = av_read_frame(m_format.get(), m_packet.get());
    if (read < 0) {
        if (IsEndOfInput(read)) {
            avcodec_send_packet(m_codec.get(), nullptr);
            m_bDraining = true;
            return true;
        }
        // A demuxer that finds damaged data on a readable input resyncs on
        // the next call; a failing input (an I/O error) never does.
        const bool inputFailed = m_format->pb && m_format->pb->error != 0;
        return !inputFailed && ++m_nDamagedReads <= kMaxDamagedReadsInARow;
    }
    m_nDamagedReads = 0;
    // A packet the decoder refuses (damaged data) is dropped; decoding goes on.
    if (m_packet->stream_index == m_pStream->index)
        avcodec_send_packet(m_codec.get(), m_packet.get());
    av_packet_unref(m_packet.get());
    return true;
}

bool CAudioSource::IsEndOfInput(int readResult) const
{
    // FFmpeg marks its input as at its end after any failed read, and a
    // demuxer may then report AVERROR_EOF: only the input's error tells a
    // failing disk or a dropped share from the end of the file.
    const int inputError = m_format->pb ? m_format->pb->error : 0;
    if (readResult == AVERROR_EXIT || inputError == AVERROR_EXIT)
        return true;  // interrupted by a stop or an abort, which end the stream themselves
    // A truncated file may end with a damaged packet rather than AVERROR_EOF.
    const bool atEnd = readResult == AVERROR_EOF || (m_format->pb && avio_feof(m_format->pb));
    return atEnd && (inputError == 0 || inputError == AVERROR_EOF);
}

bool CAudioSource::LastPacketStartsBeforeStatedEnd() const
{
    // The stated length only trims the padding of the last frame: a header
    // that states less than the sample table holds (a damaged or edited
    // file) must not cut off the audio after it.
    const int entries = avformat_index_get_entries_count(m_pStream);
    const AVIndexEntry* last = entries > 0 ? avformat_index_get_entry(m_pStream, entries - 1) : nullptr;
    if (!last)
        return false;
    const int64_t start = m_pStream->start_time != AV_NOPTS_VALUE ? m_pStream->start_time : 0;
    return last->timestamp - start < m_pStream->duration;
}

void CAudioSource::TrackPosition()
{
    const AVFrame& frame = *m_frame;
    const int rate = frame.sample_rate > 0 ? frame.sample_rate : m_codec->sample_rate;
    const int64_t length = rate > 0 ? av_rescale(frame.nb_samples, k100ns.den, rate) : 0;
    const int64_t ts = frame.best_effort_timestamp;
    if (ts == AV_NOPTS_VALUE) {
        m_llPosition += length;
        return;
    }
    const int64_t start = m_pStream->start_time != AV_NOPTS_VALUE ? m_pStream->start_time : 0;
    const int64_t position = av_rescale_q(ts - start, m_pStream->time_base, k100ns) + length;
    m_llPosition = position > 0 ? position : 0;
}

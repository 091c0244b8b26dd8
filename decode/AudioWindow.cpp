// The sample window of an audio source: a stretch of a file that a work unit
// encodes on its own. Its first sample must be the very sample that a decode
// from the start puts out at that number, or the stretches of one file would
// not join. Three ways get there:
// - formats whose packets stand alone (PCM, FLAC) seek, and their timestamps
//   are exact after a seek;
// - formats whose decoder puts out each packet's samples at that packet's
//   timestamp (MP3, AAC, Opus) read the packets before the window without
//   decoding them (reading is cheap, decoding is not), checking that their
//   timestamps run on without a gap and, where a header tells, that each is
//   one whole frame, so that a timestamp tells a sample's number; the decoder
//   then starts some packets early and settles before the window, its frames
//   checked to run on without a gap as well;
// - every other format, and one where a check fails, is decoded from its
//   start and the samples before the window are counted off. (A Vorbis
//   decoder, for one, puts out a packet's samples a block late.)
#include <algorithm>
#include <climits>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/intreadwrite.h>
#include <libavutil/mathematics.h>
}

#include "decode/AudioSource.h"
#include "decode/FrameHeader.h"

namespace {
// Decoded and dropped ahead of a window reached by seeking or skipping: more
// than the longest run of earlier frames any of these decoders draws on (an
// MP3 frame may take its data from the bytes of several frames before it).
constexpr int64_t kSettleSamples = 16384;

bool PacketsStandAlone(AVCodecID codec)
{
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(codec);
    return descriptor && (descriptor->props & AV_CODEC_PROP_INTRA_ONLY) && (descriptor->props & AV_CODEC_PROP_LOSSLESS);
}

bool DecodesAtPacketTimes(AVCodecID codec, int profile)
{
    switch (codec) {
    case AV_CODEC_ID_MP1:
    case AV_CODEC_ID_MP2:
    case AV_CODEC_ID_MP3:
    case AV_CODEC_ID_OPUS:
        return true;
    case AV_CODEC_ID_AAC:
        // With SBR the decoder drops twice the samples the first packet asks
        // it to skip, so the packets' skip would not tell where sample 0 is.
        return profile != FF_PROFILE_AAC_HE && profile != FF_PROFILE_AAC_HE_V2;
    default:
        return false;
    }
}

// The samples the packet tells the decoder to drop at its start.
int64_t StartSkip(const AVPacket& packet)
{
    size_t size = 0;
    const uint8_t* data = av_packet_get_side_data(&packet, AV_PKT_DATA_SKIP_SAMPLES, &size);
    return data && size >= 4 ? static_cast<int64_t>(AV_RL32(data)) : 0;
}

// Takes the first `count` samples off a decoded frame (planar or interleaved).
void DropFront(AVFrame& frame, int count)
{
    const int channels = frame.ch_layout.nb_channels;
    const bool planar = av_sample_fmt_is_planar(static_cast<AVSampleFormat>(frame.format)) != 0;
    const int bytes = av_get_bytes_per_sample(static_cast<AVSampleFormat>(frame.format)) * count *
                      (planar ? 1 : channels);
    const int planes = planar ? channels : 1;
    for (int i = 0; i < planes; ++i)
        frame.extended_data[i] += bytes;
    if (frame.extended_data != frame.data) {
        for (int i = 0; i < std::min(planes, AV_NUM_DATA_POINTERS); ++i)
            frame.data[i] += bytes;
    }
    frame.nb_samples -= count;
}
}  // namespace

bool CAudioSource::ReachesSamplesDirectly() const
{
    if (!m_pStream || !m_codec)
        return false;
    const AVCodecID codec = m_pStream->codecpar->codec_id;
    if (!PacketsStandAlone(codec) && !DecodesAtPacketTimes(codec, m_codec->profile))
        return false;
    // One sample must last a whole number of the stream's ticks (not so in
    // Matroska's milliseconds, for one).
    const AVRational base = m_pStream->time_base;
    const int64_t perSecond = int64_t{m_codec->sample_rate} * base.num;
    return perSecond > 0 && base.den % perSecond == 0;
}

void CAudioSource::SetWindow(int64_t first, int64_t end)
{
    m_llWindowFirst = std::max<int64_t>(first, 0);
    m_llWindowEnd = end;
    m_bWindowReached = m_llWindowFirst == 0;
}

void CAudioSource::ReachWindow()
{
    const int64_t target = m_llWindowFirst - kSettleSamples;
    if (target <= 0)
        return;  // decoding from the start costs little more
    if (!ReachesSamplesDirectly())
        return;
    switch (PacketsStandAlone(m_pStream->codecpar->codec_id) ? SeekExactly(target) : SkipPacketsBefore(target)) {
    case Reach::Reached:
        m_placement = Placement::Timestamps;
        m_reached = PacketsStandAlone(m_pStream->codecpar->codec_id) ? eWindowReach::Seek : eWindowReach::SkippedPackets;
        break;
    case Reach::PastEnd:
        m_bPastEnd = true;
        break;
    case Reach::Failed:
        Reopen();
        break;
    }
}

CAudioSource::Reach CAudioSource::SeekExactly(int64_t target)
{
    m_llOrigin = m_pStream->start_time != AV_NOPTS_VALUE ? m_pStream->start_time : 0;
    const int rate = m_codec->sample_rate;
    const int64_t timestamp = m_llOrigin + av_rescale_q(target, {1, rate}, m_pStream->time_base);
    if (avformat_seek_file(m_format.get(), m_pStream->index, INT64_MIN, timestamp, timestamp, 0) < 0)
        return Reach::Failed;
    avcodec_flush_buffers(m_codec.get());
    m_nextFrameStart.reset();
    return Reach::Reached;
}

CAudioSource::Reach CAudioSource::SkipPacketsBefore(int64_t target)
{
    int64_t next = AV_NOPTS_VALUE;  // where the next packet must start
    for (;;) {
        const int read = av_read_frame(m_format.get(), m_packet.get());
        if (read < 0)
            return IsEndOfInput(read) ? Reach::PastEnd : Reach::Failed;
        AVPacket& packet = *m_packet;
        if (packet.stream_index != m_pStream->index) {
            av_packet_unref(&packet);
            continue;
        }
        bool runsOn = packet.pts != AV_NOPTS_VALUE && packet.duration > 0;
        if (runsOn && next == AV_NOPTS_VALUE) {
            // Sample 0 is the first one the decoder keeps of the first packet.
            m_llOrigin = packet.pts + av_rescale_q(StartSkip(packet), {1, m_codec->sample_rate}, m_pStream->time_base);
        } else if (runsOn) {
            runsOn = packet.pts == next && StartSkip(packet) == 0;
        }
        next = packet.pts + packet.duration;
        const std::optional<int64_t> end = runsOn ? ExactSample(next) : std::nullopt;
        if (!end || !IsWholeFrame(packet)) {
            av_packet_unref(&packet);
            return Reach::Failed;
        }
        if (*end > target) {
            // (An Opus decoder's first frame after a skip starts later than
            // the packet that started it, so the first frame is not checked.)
            m_nextFrameStart.reset();
            avcodec_send_packet(m_codec.get(), &packet);
            av_packet_unref(&packet);
            return Reach::Reached;
        }
        av_packet_unref(&packet);
    }
}

bool CAudioSource::RateHoldsThroughout()
{
    if (!m_pStream || !m_codec)
        return false;
    if (!m_bFrameHeaders)
        return true;  // no header tells a frame's rate; the container states one for all
    ffmpeg::Packet packet(av_packet_alloc());
    if (!packet)
        return false;
    int damagedReads = 0;
    for (;;) {
        const int read = av_read_frame(m_format.get(), packet.get());
        if (read < 0) {
            const bool interrupted = read == AVERROR_EXIT || (m_format->pb && m_format->pb->error == AVERROR_EXIT);
            if (interrupted || IsEndOfInput(read))
                return !interrupted;
            // Damaged data on a readable input: the demuxer resyncs, as in FeedDecoder.
            if ((m_format->pb && m_format->pb->error != 0) || ++damagedReads > kMaxDamagedReadsInARow)
                return false;
            continue;
        }
        damagedReads = 0;
        if (packet->stream_index == m_pStream->index) {
            const std::optional<sFrameHeader> header =
                ReadFrameHeader(m_pStream->codecpar->codec_id, packet->data, packet->size);
            if (header && header->rate != m_codec->sample_rate)
                return false;
        }
        av_packet_unref(packet.get());
    }
}

bool CAudioSource::IsWholeFrame(const AVPacket& packet) const
{
    if (!m_bFrameHeaders)
        return true;
    const std::optional<sFrameHeader> header =
        ReadFrameHeader(m_pStream->codecpar->codec_id, packet.data, packet.size);
    return header && header->size == packet.size && header->rate == m_codec->sample_rate &&
           av_rescale_q(packet.duration, m_pStream->time_base, {1, header->rate}) == header->samples;
}

bool CAudioSource::Reopen()
{
    ffmpeg::FormatContext context(avformat_alloc_context());
    if (!context || !m_format)
        return false;
    context->interrupt_callback = m_format->interrupt_callback;
    av_frame_unref(m_frame.get());
    m_pStream = nullptr;
    m_codec.reset();
    m_bDraining = false;
    m_nDamagedReads = 0;
    m_llPosition = 0;
    m_llSamplesOut = 0;
    m_placement = Placement::Counted;
    m_reached = eWindowReach::FromStart;
    const std::string path = m_strPath;
    if (Open(std::move(context), path) != eReadError::None || OpenDecoder() != eReadError::None) {
        m_codec.reset();
        return false;
    }
    return true;
}

std::optional<int64_t> CAudioSource::ExactSample(int64_t timestamp) const
{
    const AVRational base = m_pStream->time_base;
    const int64_t rate = m_codec->sample_rate;
    const int64_t delta = timestamp - m_llOrigin;
    const int64_t sample = av_rescale_rnd(delta, rate * base.num, base.den, AV_ROUND_DOWN);
    if (av_rescale(sample, base.den, rate * base.num) != delta)
        return std::nullopt;
    return sample;
}

std::optional<int64_t> CAudioSource::FrameStart() const
{
    if (m_placement == Placement::Counted)
        return m_llSamplesOut;
    const int64_t timestamp = m_frame->best_effort_timestamp;
    if (timestamp == AV_NOPTS_VALUE)
        return std::nullopt;
    return ExactSample(timestamp);
}

CAudioSource::Fit CAudioSource::FitToWindow(int64_t start)
{
    AVFrame& frame = *m_frame;
    if (m_placement == Placement::Timestamps) {
        // The first frame that reaches into the window fixes the count; from
        // there on samples are counted as from the start. Up to it, a frame
        // that does not start where the one before it ended follows a packet
        // the decoder refused or split: the timestamps no longer tell the
        // samples a decode from the start puts out.
        if (start > m_llWindowFirst || (m_nextFrameStart && start != *m_nextFrameStart))
            return Fit::Misplaced;
        m_nextFrameStart = start + frame.nb_samples;
        if (start + frame.nb_samples <= m_llWindowFirst)
            return Fit::Drop;
        m_placement = Placement::Counted;
        m_llSamplesOut = start;
    }
    m_llSamplesOut += frame.nb_samples;
    // An MP4 states its audio's exact length (its edit list or iTunSMPB), and
    // FFmpeg's demuxer skips the encoder delay at the start but decodes the
    // last frame whole: the silence that pads it would lengthen the file and
    // put the next chapter late. Other containers state estimates, or nothing.
    int64_t end = m_llWindowEnd;
    if (m_bExactDuration && frame.sample_rate > 0)
        end = std::min(end, av_rescale_q(m_llExactLength, m_pStream->time_base, {1, frame.sample_rate}));
    if (start >= end || end <= m_llWindowFirst)
        return Fit::End;
    if (start + frame.nb_samples <= m_llWindowFirst)
        return Fit::Drop;
    if (start + frame.nb_samples > end)
        frame.nb_samples = static_cast<int>(end - start);
    if (start < m_llWindowFirst)
        DropFront(frame, static_cast<int>(m_llWindowFirst - start));
    return Fit::Keep;
}

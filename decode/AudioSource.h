#pragma once
// An input file's first audio stream and its decoder, read frame by frame.
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "ffmpeg/Handles.h"
#include "decode/ReadError.h"
#include "decode/WindowReach.h"

// Damaged stretches a demuxer reports in a row (with the input itself
// readable) before the file counts as unreadable.
constexpr int kMaxDamagedReadsInARow = 64;

// A stream stated below this rate is a damaged header, not a recording: read
// as stated, one second of samples would become hours of audio.
constexpr int kMinStreamSampleRate = 1000;

class CAudioSource {
public:
    enum class ReadResult { Frame, End, Failed };

    CAudioSource() = default;
    CAudioSource(const CAudioSource&) = delete;
    CAudioSource& operator=(const CAudioSource&) = delete;

    // Opens the file at `utf8Path` into `context` (which it takes over) and
    // picks the first audio stream that is not an attached picture.
    eReadError Open(ffmpeg::FormatContext context, const std::string& utf8Path);
    // Opens the decoder of the chosen stream.
    eReadError OpenDecoder();
    // The packet and frame that reading uses; false when out of memory.
    bool AllocatePacket();
    bool AllocateFrame();

    uint32_t SampleRate() const;
    int Channels() const;
    // Playing time in 100 ns units; 0 when the file does not tell.
    int64_t Duration() const;

    // Decodes the next frame into Frame(). Packets the decoder refuses are
    // skipped. End: the file and the decoder are exhausted, or `stop` was set.
    // Failed: reading the file failed before its end (an I/O error).
    ReadResult ReadFrame(const std::atomic<bool>& stop);
    const AVFrame& Frame() const { return *m_frame; }
    // The end of the last decoded frame in 100 ns units from the stream start.
    int64_t Position() const { return m_llPosition; }

    // Restricts what ReadFrame puts out to the samples [first, end) of the
    // stream, numbered per channel as a decode from the start puts them out.
    // Before the first ReadFrame. A window that starts inside the file is
    // reached without decoding what lies before it where that is exact (see
    // AudioWindow.cpp); otherwise by decoding from the start.
    void SetWindow(int64_t first, int64_t end);
    // Whether a window inside the file is reached without decoding what lies
    // before it: the format's packets stand alone or decode at their own
    // timestamps, and every sample has a timestamp of its own. After
    // OpenDecoder.
    bool ReachesSamplesDirectly() const;
    // Reads every packet without decoding it: false when a frame header
    // states another rate than the decoder's (files of two rates joined) or
    // the file cannot be read to its end. After OpenDecoder, instead of
    // reading frames.
    bool RateHoldsThroughout();
    // How the window's first sample was reached, once the first frame was read.
    eWindowReach WindowReachedBy() const { return m_reached; }

private:
    // How the number of the next decoded frame's first sample is known.
    enum class Placement {
        Counted,     // decoding started at the stream's start: count the samples put out
        Timestamps,  // decoding started inside the stream: from the frame's timestamp
    };

    void TrackPosition();
    // The number of the decoded frame's first sample, counted or from its
    // timestamp; nullopt when the timestamp does not tell it exactly.
    std::optional<int64_t> FrameStart() const;
    enum class Fit { Keep, Drop, End, Misplaced };
    // How getting to a window's first sample went: PastEnd, the file ends
    // before it (its stated length was an estimate).
    enum class Reach { Reached, PastEnd, Failed };
    // Cuts the decoded frame, which starts at sample `start`, to the stated
    // exact end (an MP4's) and to the window, and counts it. Drop: nothing
    // of it lies in the window; End: nothing after it will either;
    // Misplaced: it starts past the window's first sample, which a frame
    // placed by its timestamp must not.
    Fit FitToWindow(int64_t start);
    // Gets to the window's first sample without decoding what lies before
    // it, where the format allows that exactly; otherwise (and when a check
    // fails) decodes from the start. Once, before the first frame.
    void ReachWindow();
    // Seeks to `target` (samples) in a format whose timestamps are exact
    // after a seek: every packet stands alone (PCM, FLAC).
    Reach SeekExactly(int64_t target);
    // Reads, without decoding, the packets that end at or before `target`,
    // checking that their timestamps run on without a gap and that each
    // decodes to its duration, and hands the decoder the first one after them.
    Reach SkipPacketsBefore(int64_t target);
    // Whether a skipped packet is one frame that the decoder puts out whole
    // at the stream's rate, where its header tells (MPEG audio, ADTS): a
    // packet that the parser merged with an ID3 tag or a damaged frame is
    // refused by the decoder, or gives more than one frame, and the samples
    // after it would not be where its timestamp says.
    bool IsWholeFrame(const AVPacket& packet) const;
    // Opens the file anew, to decode it from its start.
    bool Reopen();
    int64_t ToSamples(int64_t timestamp) const;
    // The exact sample number of a timestamp past the origin; nullopt when
    // it falls between samples.
    std::optional<int64_t> ExactSample(int64_t timestamp) const;
    bool LastPacketStartsBeforeStatedEnd() const;
    // Reads the next packet of the stream into the decoder; at the end of the
    // file it starts draining the decoder instead. False when the read failed.
    bool FeedDecoder();
    // Whether a failed av_read_frame result is the true end of the file, or
    // a read that a stop or an abort interrupted.
    bool IsEndOfInput(int readResult) const;

    ffmpeg::FormatContext m_format;
    ffmpeg::CodecContext m_codec;
    ffmpeg::Packet m_packet;
    ffmpeg::Frame m_frame;
    AVStream* m_pStream = nullptr;
    bool m_bDraining = false;
    int m_nDamagedReads = 0;
    int64_t m_llPosition = 0;
    bool m_bExactDuration = false;  // the stream states its audio's exact length:
    int64_t m_llExactLength = 0;    // this many ticks of its time base (ExactStreamLength)
    int64_t m_llSamplesOut = 0;     // per channel, at the frames' rate: the next frame's first sample
    std::string m_strPath;          // for opening the file anew

    int64_t m_llWindowFirst = 0;
    int64_t m_llWindowEnd = INT64_MAX;
    bool m_bWindowReached = true;   // false until ReachWindow ran, for a window inside the file
    bool m_bPastEnd = false;        // the window lies past the file's end
    Placement m_placement = Placement::Counted;
    eWindowReach m_reached = eWindowReach::FromStart;
    int64_t m_llOrigin = 0;  // the timestamp of sample 0, in the stream's time base
    bool m_bFrameHeaders = false;   // every packet starts with a frame header (see FrameHeader.h)
    // While frames are placed by their timestamps: where the next decoded
    // frame must start, so that a packet the decoder refused (a gap) is seen;
    // unknown after a seek until the first frame.
    std::optional<int64_t> m_nextFrameStart;
};

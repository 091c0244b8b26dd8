#pragma once
// The source side of a decoding graph: a container opened by path, its first
// audio stream and that stream's decoder, read frame by frame.
#include <atomic>
#include <cstdint>
#include <string>

#include "ffmpeg/Handles.h"
#include "decode/HResult.h"

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
    HRESULT Open(ffmpeg::FormatContext context, const std::string& utf8Path);
    // Opens the decoder of the chosen stream.
    HRESULT OpenDecoder();
    // The packet and frame that reading uses.
    HRESULT AllocatePacket();
    HRESULT AllocateFrame();

    uint32_t SampleRate() const;
    int Channels() const;
    // Playing time in 100 ns units; 0 when the file does not tell.
    int64_t Duration() const;

    // Whether the stream already feeds a renderer.
    bool IsConnected() const { return m_bConnected; }
    void SetConnected(bool connected) { m_bConnected = connected; }

    // Decodes the next frame into Frame(). Packets the decoder refuses are
    // skipped. End: the file and the decoder are exhausted, or `stop` was set.
    // Failed: reading the file failed before its end (an I/O error).
    ReadResult ReadFrame(const std::atomic<bool>& stop);
    const AVFrame& Frame() const { return *m_frame; }
    // The end of the last decoded frame in 100 ns units from the stream start.
    int64_t Position() const { return m_llPosition; }

private:
    void TrackPosition();
    // Cuts the decoded frame at the end the container states exactly (an
    // MP4's), and counts the samples put out. False when the frame lies
    // wholly past that end.
    bool KeepWithinStatedEnd();
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
    bool m_bConnected = false;
    bool m_bDraining = false;
    int m_nDamagedReads = 0;
    int64_t m_llPosition = 0;
    bool m_bExactDuration = false;  // the stream's duration is its exact length
    int64_t m_llSamplesOut = 0;     // per channel, at the frames' rate
};

#pragma once
// An input's AAC frames as they are stored, for a book made without decoding
// and encoding again: what the stream is (probe) and its raw frames (reader).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ffmpeg/Handles.h"

// Samples per channel of every AAC-LC frame.
constexpr uint32_t kAacFrameLength = 1024;

struct sAacStream {
    uint32_t m_nSampleRate = 0;
    int m_nChannels = 0;
    std::vector<uint8_t> m_config;  // AudioSpecificConfig
    std::string m_strTool;          // the encoder the file names, if any
};

// The file's first audio stream when it is AAC-LC in 1024-sample frames with
// its channels in the configuration (an M4A/M4B/MP4 or an ADTS .aac);
// nullopt for anything else, HE-AAC included, and for an unreadable file.
std::optional<sAacStream> ProbeAacStream(const std::string& utf8Path);

// Whether frames of `b` decode under the configuration of `a`: same object
// type, rate and channel configuration (a trailing "no SBR" signal aside).
bool SameAacStream(const sAacStream& a, const sAacStream& b);

// The stream that every file of `utf8Paths` shares, when each is AAC-LC and
// all match the first: their frames then make one track as they are.
std::optional<sAacStream> CommonAacStream(const std::vector<std::string>& utf8Paths);

class CAacFrameReader {
public:
    enum class ReadResult { Frame, End, Failed };

    // Opens the file and reads ahead to its first audio frame, so that its
    // priming is known. False when the file is not a readable AAC-LC stream.
    bool Open(const std::string& utf8Path);

    // The next raw frame (no ADTS header) into Data()/Size(). Failed: reading
    // failed before the file's end, or a frame cannot be copied.
    ReadResult Next();
    const uint8_t* Data() const { return m_pData; }
    int Size() const { return m_nSize; }

    // Leading samples of the frames that are priming, not the file's audio:
    // its edit list's skip, or where it has none its iTunSMPB tag's (0 for an
    // ADTS file, which states none).
    uint64_t Delay() const { return m_nDelay; }
    // The file's own samples per channel once every frame was read: its
    // frames less their priming and the padding its container trims (an
    // edit list's, or iTunSMPB's where no edit list says otherwise).
    uint64_t OwnSamples() const;
    // Playing time and the end of the last frame read, in 100 ns units.
    int64_t Duration() const;
    int64_t Position() const { return m_llPosition; }

private:
    // Reads the next packet of the stream into m_packet; false at the end
    // (m_bFailed tells a failed read).
    bool ReadPacket();
    void TakeSkip(const AVPacket& packet);

    ffmpeg::FormatContext m_format;
    ffmpeg::Packet m_packet;
    AVStream* m_pStream = nullptr;
    bool m_bAdts = false;
    std::optional<int64_t> m_exactLength;  // samples: ExactStreamLength at the stream's rate
    bool m_bPending = false;  // m_packet holds a frame read ahead by Open
    bool m_bFailed = false;
    const uint8_t* m_pData = nullptr;
    int m_nSize = 0;
    uint64_t m_nDelay = 0;
    uint64_t m_nEndPadding = 0;
    uint64_t m_nFrames = 0;
    int64_t m_llPosition = 0;
};

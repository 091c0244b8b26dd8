#pragma once
// One input file read as float planar PCM in the book's format: open, choose
// the output format, optionally narrow to a window of samples, then pull
// block after block until the end. Used by one thread; Position may be read
// from another. Its calls are virtual so that tests can stand in for a file.
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "decode/AudioSource.h"
#include "decode/Negotiation.h"
#include "decode/PcmConverter.h"
#include "decode/ReadError.h"
#include "decode/WindowReach.h"

class CPcmReader {
public:
    enum class ePull {
        Samples,  // `block` holds samples
        End,      // the file (or its window) ended
        Stopped,  // the stop flag was raised; not the end of the file
        Failed,   // reading or converting failed before the end (ReadFailed)
    };

    // `stop` ends a pull, and interrupts an open or a read blocked on the
    // input (a stalled mount, a pipe). It must outlive the reader.
    explicit CPcmReader(const std::atomic<bool>& stop);
    virtual ~CPcmReader();
    CPcmReader(const CPcmReader&) = delete;
    CPcmReader& operator=(const CPcmReader&) = delete;

    // Opens the file's first audio stream and its decoder and chooses the
    // output format (see ChooseOutputFormat): `required` is the book's for
    // any file but its first. Once per reader.
    virtual eReadError Open(const std::u16string& path, const std::optional<sPcmFormat>& required = std::nullopt);

    // The format every pulled block has; after a successful Open.
    virtual sPcmFormat Format() const { return m_format; }
    // The rate the file decodes at, before any conversion; 0 before Open.
    virtual uint32_t NativeRate() const;
    // Playing time in 100 ns units; 0 when the file does not tell.
    virtual int64_t Duration() const { return m_llDuration; }
    // The end of the last decoded frame in 100 ns units.
    virtual int64_t Position() const { return m_llPosition.load(); }

    // Reads only the samples [first, end) of the file (per channel, at its
    // own rate). After Open, before the first Pull.
    virtual void SetWindow(int64_t first, int64_t end);
    // How the window's first sample was reached; once samples were pulled.
    virtual eWindowReach WindowReachedBy() const;

    // The next samples, valid until the next call.
    virtual ePull Pull(sPcmSpan& block);

protected:
    // Whether the reader was asked to stop.
    bool StopRequested() const { return m_stop.load(); }

private:
    const std::atomic<bool>& m_stop;
    std::unique_ptr<CAudioSource> m_source;
    std::unique_ptr<CPcmConverter> m_converter;
    sPcmFormat m_format;
    int64_t m_llDuration = 0;
    std::atomic<int64_t> m_llPosition{0};
    bool m_bFrameHeld = false;  // the source's frame is decoded but not yet converted
    bool m_bEnded = false;
};

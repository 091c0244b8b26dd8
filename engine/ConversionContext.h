#pragma once
// Everything one conversion needs, built once by the front end before it
// starts (CBookProject::BuildConversion) and read by every piece of the
// engine; nothing of a conversion lives in process-wide state. The engine's
// pieces reach the running conversion's stop flag and error text through the
// CRunState that CConverter keeps beside its context.
//
// The path of a sample: the job thread (CBookWriter) plans the work units,
// each unit task's encoder opens a PCM reader for its stretch of its file and
// pulls float planar blocks through its PCM queue into its AAC encoder; the encoded
// frames go through the unit's frame queue to the writer, which appends them
// to the book in list order and adds each file's chapters.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/BookTypes.h"
#include "engine/ChapterSplit.h"
#include "engine/ConsoleSink.h"
#include "engine/ReaderFactory.h"
#include "engine/WorkPlan.h"

class CThreadPool;

// How the book's audio is made.
struct sEncodingChoice {
    // The AAC bit rate per channel asked for (the command line's --bitrate,
    // else the settings file's); nullopt: the encoder's default.
    std::optional<unsigned long> m_bitrate;
    // The rate was given on the command line: one the encoder cannot take at
    // the book's sample rate ends the conversion instead of being replaced
    // by the default.
    bool m_bStrict = false;
    // Encode even a book whose AAC frames could be copied (--reencode).
    bool m_bReencode = false;

    // Frames are copied only where nothing about the encoding was asked for.
    bool MayCopyFrames() const { return !m_bitrate && !m_bReencode; }
};

struct sConversionContext {
    sTagInfo m_metadata;
    std::vector<sInputFile> m_files;  // in book order
    sCoverData m_cover;
    std::u16string m_strOutput;
    sEncodingChoice m_encoding;
    // Long chapters cut into parts (--split-chapters, "Split Long Chapters").
    sChapterSplit m_split;
    // The executor the units run on (not owned; outlives the conversion).
    CThreadPool* m_pPool = nullptr;
    // Where the engine's console lines go (not owned).
    IConsoleSink* m_pConsole = &StandardStreams();
    // Frames a unit that starts inside its file has its encoder given first.
    uint64_t m_nPrerollFrames = kPrerollFrames;
    // A book that does not complete is kept beside the output's name even
    // where no file has that name: a run over a library skips the books whose
    // output exists, so a partial book must not look made.
    bool m_bPartialBesideOnly = false;
    // Makes a unit's PCM reader; empty: FFmpeg's. Tests give readers of their own.
    ReaderFactory m_openReader;
};

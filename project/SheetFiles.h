#pragma once
// Chapter sheets on disk: reading one in the encoding its editor saved it in,
// and finding the audio files its FILE lines name.
#include <string>

#include "project/ChapterSheet.h"

// Reads the sheet at `path`: a .cue sheet by its extension, a chapter list
// otherwise, its text decoded as DecodeSheetText does with `legacyEncoding`.
sChapterSheet ReadChapterSheet(const std::u16string& path, const std::string& legacyEncoding = {});

// The audio file a FILE line names.
struct sSheetAudio {
    std::u16string m_strPath;  // empty: none
    // The named file is missing; this is the one audio file beside the
    // sheet with its base name (the audio was converted after the sheet was
    // written).
    bool m_bOtherExtension = false;
};

// The audio file that the FILE line `name` of the sheet at `sheet` names:
// relative to the sheet's folder; failing that (a sheet written elsewhere,
// with another case or with backslashes), the name's last component in the
// sheet's folder without regard to case; failing that, the only audio file
// in the sheet's folder whose name without its extension is the name's.
sSheetAudio FindSheetAudio(const std::u16string& sheet, std::u16string name);

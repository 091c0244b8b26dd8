#pragma once
// Reads the chapters an audio file carries (an MP4 chapter track or Nero
// list, ID3 CHAP frames, Ogg/FLAC chapter comments, Matroska chapters) and
// the playing time of its audio. Free of the PCM reader, so that the tag
// helper, tavlin-tags, reads them with the tags, under its time and memory
// limits.
#include <string>

#include "base/BookTypes.h"

// The chapters in order of their starts, each start measured from the first
// sample the decoder delivers. Zero-length chapters are left out, and of
// chapters that start together only one is kept. A chapter without a title
// (an ID3 CHAP frame without TIT2 included) has an empty one. Chapters at or
// past the stated end stay: whether they fall inside the audio is known when
// it is decoded. Empty, with duration 0, when the file cannot be read.
// `embeddedSheet`, when given, gets the text of the file's CUESHEET tag (a
// .cue sheet that a FLAC carries as a Vorbis comment), empty without one.
sFileChapters ReadMediaChapters(const std::u16string& path, std::u16string* embeddedSheet = nullptr);

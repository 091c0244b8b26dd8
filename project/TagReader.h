#pragma once
// Reads the tags of an audio file from the MediaInfo library's text report:
// the report is cut before its audio section and seven values are picked out
// of the rest by their labels.
#include <functional>
#include <string>
#include <string_view>

#include "BookTypes.h"

class CMediaInfoLibrary;

// Reads the tags of the file at `path` through the process-wide MediaInfo
// library. Never fails: whatever cannot be read stays empty (every member
// when the library cannot be loaded; the next call tries to load it again).
sTagInfo ReadTags(const std::u16string& path);
// The same through a given library (tests choose the library's file name).
sTagInfo ReadTags(const std::u16string& path, CMediaInfoLibrary& library);

// Anything that reads tags of a path; the rows take one so that tests can
// supply tags without a library.
using TagReader = std::function<sTagInfo(const std::u16string& path)>;
// ReadTags through the process-wide MediaInfo library, as a TagReader.
TagReader MediaInfoTagReader();

// The report up to its audio section: everything before the first line feed
// followed by "Audio", without the line end in front of it. The whole report
// when there is no audio section.
std::u16string_view CutBeforeAudioSection(std::u16string_view report);

// Finds the first line whose label (the text before its first ":", without
// the padding blanks) is exactly `label`, case-sensitive. The value starts two
// units after the ":" and ends before the line end (a line feed, or a carriage
// return in front of it). False, with `value` untouched, when no line has it.
bool ExtractField(std::u16string_view report, std::u16string_view label, std::u16string& value);

// The seven members out of a whole report, in the reading order Album, Track
// name, Performer, Genre, Recorded date, Comment, Publisher.
sTagInfo ParseTagReport(std::u16string_view report);

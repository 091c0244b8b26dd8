#pragma once
// Why an input file cannot be read as PCM.
enum class eReadError {
    None,
    FileNotFound,     // no such file or folder
    AccessDenied,     // the file may not be read
    OutOfMemory,
    UnknownFileType,  // no demuxer reads it (a folder, an empty or a text file)
    NoAudio,          // it opens but holds no usable audio stream
    NoDecoder,        // its audio stream cannot be decoded
    CannotConvert,    // its PCM cannot be made the book's format
    ReadFailed,       // reading or converting failed before the file's end
};

// A short English description, for debug output and test failures.
const char* Describe(eReadError error);

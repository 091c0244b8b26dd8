#pragma once
// Where the engine gets a file's PCM reader. Tests install a factory that
// makes readers of their own; the default reads the file with FFmpeg.
#include <atomic>
#include <functional>
#include <memory>

#include "decode/PcmReader.h"

// `stop` is the flag the reader is to watch; it outlives the reader.
using ReaderFactory = std::function<std::unique_ptr<CPcmReader>(const std::atomic<bool>& stop)>;

// An empty factory restores the default. Not while a conversion runs.
void SetReaderFactory(ReaderFactory factory);
std::unique_ptr<CPcmReader> CreateReader(const std::atomic<bool>& stop);

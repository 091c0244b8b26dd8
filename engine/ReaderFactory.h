#pragma once
// How a conversion makes a unit's PCM reader. Tests give a factory that makes
// readers of their own; without one the file is read with FFmpeg.
#include <atomic>
#include <functional>
#include <memory>

#include "decode/PcmReader.h"

// `stop` is the flag the reader is to watch; it outlives the reader.
using ReaderFactory = std::function<std::unique_ptr<CPcmReader>(const std::atomic<bool>& stop)>;

std::unique_ptr<CPcmReader> CreateReader(const ReaderFactory& factory, const std::atomic<bool>& stop);

#pragma once
// How a conversion opens a file's decoding graph. Tests give a factory that
// makes PCM sources of their own; without one the file is opened with FFmpeg.
#include <functional>
#include <memory>
#include <string>

#include "decode/Graph.h"

using GraphFactory = std::function<std::unique_ptr<CGraphSound>(const std::u16string& path,
                                                                 const WAVEFORMATEX* requiredFormat)>;

std::unique_ptr<CGraphSound> CreateGraph(const GraphFactory& factory, const std::u16string& path,
                                         const WAVEFORMATEX* requiredFormat);

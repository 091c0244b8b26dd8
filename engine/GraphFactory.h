#pragma once
// Where the engine gets a file's decoding graph. Tests install a factory that
// makes PCM sources of their own; the default opens the file with FFmpeg.
#include <functional>
#include <memory>
#include <string>

#include "decode/Graph.h"

using GraphFactory = std::function<std::unique_ptr<CGraphSound>(const std::u16string& path,
                                                                 const WAVEFORMATEX* requiredFormat)>;

// An empty factory restores the default. Not while a conversion runs.
void SetGraphFactory(GraphFactory factory);
std::unique_ptr<CGraphSound> CreateGraph(const std::u16string& path, const WAVEFORMATEX* requiredFormat);

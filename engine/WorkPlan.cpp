#include "engine/WorkPlan.h"

#include <algorithm>

namespace {
// Units the book is cut into per processor: with several each, the units
// that end last leave a processor idle for a fraction of one unit only.
constexpr uint64_t kUnitsPerProcessor = 4;
}  // namespace

std::vector<sWorkUnit> PlanWorkUnits(const std::vector<sPlannedFile>& files, int processors, uint64_t minUnitFrames,
                                     const std::function<bool(size_t)>& mayCut)
{
    uint64_t total = 0;
    for (const sPlannedFile& file : files)
        total += file.frames;
    // On one processor a cut only adds work.
    const uint64_t wanted = processors > 1 ? kUnitsPerProcessor * static_cast<uint64_t>(processors) : 1;
    const uint64_t unitFrames = std::max({total / wanted, minUnitFrames, uint64_t{1}});

    std::vector<sWorkUnit> units;
    for (size_t file = 0; file < files.size(); ++file) {
        const uint64_t frames = files[file].frames;
        uint64_t count = files[file].cuttable ? std::max<uint64_t>(frames / unitFrames, 1) : 1;
        if (count > 1 && mayCut && !mayCut(file))
            count = 1;
        for (uint64_t k = 0; k < count; ++k) {
            sWorkUnit unit;
            unit.file = file;
            unit.index = static_cast<int>(k);
            unit.count = static_cast<int>(count);
            unit.firstFrame = k * frames / count;
            unit.endFrame = k + 1 < count ? (k + 1) * frames / count : kToFileEnd;
            units.push_back(unit);
        }
    }
    return units;
}

#include "engine/GraphFactory.h"

std::unique_ptr<CGraphSound> CreateGraph(const GraphFactory& factory, const std::u16string& path,
                                         const WAVEFORMATEX* requiredFormat)
{
    if (factory)
        return factory(path, requiredFormat);
    return std::make_unique<CGraphSound>(path, requiredFormat);
}

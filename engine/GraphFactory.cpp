#include "engine/GraphFactory.h"

#include <mutex>

namespace {
std::mutex g_factoryMutex;
GraphFactory g_factory;
}  // namespace

void SetGraphFactory(GraphFactory factory)
{
    std::lock_guard<std::mutex> lock(g_factoryMutex);
    g_factory = std::move(factory);
}

std::unique_ptr<CGraphSound> CreateGraph(const std::u16string& path, const WAVEFORMATEX* requiredFormat)
{
    GraphFactory factory;
    {
        std::lock_guard<std::mutex> lock(g_factoryMutex);
        factory = g_factory;
    }
    if (factory)
        return factory(path, requiredFormat);
    return std::make_unique<CGraphSound>(path, requiredFormat);
}

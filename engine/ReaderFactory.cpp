#include "engine/ReaderFactory.h"

#include <mutex>

namespace {
std::mutex g_factoryMutex;
ReaderFactory g_factory;
}  // namespace

void SetReaderFactory(ReaderFactory factory)
{
    std::lock_guard<std::mutex> lock(g_factoryMutex);
    g_factory = std::move(factory);
}

std::unique_ptr<CPcmReader> CreateReader(const std::atomic<bool>& stop)
{
    ReaderFactory factory;
    {
        std::lock_guard<std::mutex> lock(g_factoryMutex);
        factory = g_factory;
    }
    if (factory)
        return factory(stop);
    return std::make_unique<CPcmReader>(stop);
}

#include "engine/ReaderFactory.h"

std::unique_ptr<CPcmReader> CreateReader(const ReaderFactory& factory, const std::atomic<bool>& stop)
{
    if (factory)
        return factory(stop);
    return std::make_unique<CPcmReader>(stop);
}

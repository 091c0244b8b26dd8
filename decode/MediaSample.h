#pragma once
// A media sample over bytes that someone else owns, for the duration of one
// delivery.
#include <cstddef>
#include <cstdint>

#include "decode/MediaType.h"

class CMemorySample : public IMediaSample {
public:
    CMemorySample(const uint8_t* data, size_t size) : m_pData(data), m_nSize(static_cast<long>(size)) {}
    const uint8_t* GetPointer() const override { return m_pData; }
    long GetActualDataLength() const override { return m_nSize; }

private:
    const uint8_t* m_pData;
    long m_nSize;
};

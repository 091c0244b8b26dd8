#include "decode/AdtsHeader.h"

std::optional<sAdtsHeader> ReadAdtsHeader(const uint8_t* data, int size)
{
    // A 12-bit sync word, then layer 0.
    if (size < 7 || data[0] != 0xFF || (data[1] & 0xF6) != 0xF0)
        return std::nullopt;
    sAdtsHeader header;
    header.objectType = (data[2] >> 6) + 1;
    header.rateIndex = (data[2] >> 2) & 0x0F;
    header.channels = ((data[2] & 0x01) << 2) | (data[3] >> 6);
    header.frameSize = (data[3] & 0x03) << 11 | data[4] << 3 | data[5] >> 5;
    header.rawBlocks = (data[6] & 0x03) + 1;
    header.headerSize = (data[1] & 0x01) ? 7 : 9;  // protection absent: no CRC
    return header;
}

std::vector<uint8_t> sAdtsHeader::AudioSpecificConfig() const
{
    return {static_cast<uint8_t>(objectType << 3 | rateIndex >> 1),
            static_cast<uint8_t>((rateIndex & 1) << 7 | channels << 3)};
}

#pragma once
// Decoders for the header, descriptor and tag boxes the MP4 writer produces,
// so tests compare field values, not bytes.
#include "tests/support/BoxReader.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mp4test {

using testsupport::Box;
using testsupport::BoxReader;

struct HeaderFields {
    uint8_t version = 0;
    uint32_t flags = 0;
    uint32_t timeScale = 0;  // mvhd, mdhd
    uint64_t duration = 0;
    uint32_t trackId = 0;      // tkhd
    uint32_t nextTrackId = 0;  // mvhd
};
HeaderFields ReadMovieHeader(const BoxReader& reader, const Box& mvhd);
HeaderFields ReadTrackHeader(const BoxReader& reader, const Box& tkhd);
HeaderFields ReadMediaHeader(const BoxReader& reader, const Box& mdhd);
std::string ReadHandlerType(const BoxReader& reader, const Box& hdlr);

struct AudioEntry {
    uint16_t channels = 0;
    uint32_t sampleRate = 0;  // integer part of the 16.16 field
    uint16_t esId = 0;
    uint8_t objectType = 0;
    uint8_t streamTypeByte = 0;
    uint32_t bufferSize = 0;
    uint32_t maxBitRate = 0;
    uint32_t averageBitRate = 0;
    std::vector<uint8_t> decoderSpecificInfo;
    uint8_t slPredefined = 0;
    bool ok = false;
};
AudioEntry ReadAudioEntry(const BoxReader& reader, const Box& mp4a);

struct DataItem {
    uint32_t type = 0;
    std::string value;
};
// The `data` box inside an `ilst` item.
DataItem ReadDataItem(const BoxReader& reader, const Box& item);

struct NeroChapter {
    uint64_t start100ns;
    std::string title;
};
std::vector<NeroChapter> ReadNeroChapters(const BoxReader& reader, const Box& chpl);

// The QuickTime text sample a book writer puts in its chapter track: 16-bit
// length, UTF-16LE with byte-order mark, then `encd` and `orig` atoms.
std::vector<uint8_t> ChapterTextSample(const std::u16string& title);

}  // namespace mp4test

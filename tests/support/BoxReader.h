#pragma once
// Reads an MP4 file's box tree back for tests: checks that every box fits its
// parent exactly, finds boxes by path and decodes a track's sample tables.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

struct Box {
    std::string type;
    uint64_t offset = 0;      // of the box header in the file
    uint64_t size = 0;        // the whole box, header included
    uint32_t headerSize = 0;  // 8, or 16 with a 64-bit size
    std::vector<Box> children;

    uint64_t PayloadOffset() const { return offset + headerSize; }
    uint64_t PayloadSize() const { return size - headerSize; }
    // The index-th child of `type` (0-based), or null.
    const Box* Child(std::string_view type, size_t index = 0) const;
    size_t Count(std::string_view type) const;
};

// Big-endian fields from a byte buffer; reading past the end yields zeros and
// clears Ok().
class ByteCursor {
public:
    explicit ByteCursor(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)) {}
    uint8_t U8();
    uint16_t U16();
    uint32_t U24();
    uint32_t U32();
    uint64_t U64();
    std::string Type() { return Text(4); }
    std::string Text(size_t size);
    std::vector<uint8_t> Bytes(size_t size);
    void Skip(size_t size);
    size_t Remaining() const { return m_pos <= m_bytes.size() ? m_bytes.size() - m_pos : 0; }
    bool Ok() const { return m_ok; }

private:
    std::vector<uint8_t> m_bytes;
    size_t m_pos = 0;
    bool m_ok = true;
};

class BoxReader {
public:
    explicit BoxReader(const std::filesystem::path& file);

    bool Ok() const { return m_error.empty(); }
    const std::string& Error() const { return m_error; }
    const std::vector<Box>& TopLevel() const { return m_root.children; }
    uint64_t FileSize() const { return m_fileSize; }

    // A box by its path of types, e.g. "moov/trak[1]/mdia/minf/stbl/stsz";
    // "[n]" picks the n-th (0-based) sibling of that type. Null if absent.
    const Box* Find(std::string_view path) const;
    // The boxes as types in file order, children in parentheses:
    // "ftyp mdat moov(mvhd trak(tkhd ...))".
    std::string Outline() const;
    std::string Outline(const Box& box) const;

    std::vector<uint8_t> ReadAt(uint64_t offset, size_t size) const;
    std::vector<uint8_t> Payload(const Box& box) const;
    // The payload of a full box after its version and flags.
    ByteCursor FullBoxCursor(const Box& box, uint8_t* version = nullptr, uint32_t* flags = nullptr) const;

private:
    void ReadChildren(Box& parent, uint64_t start, uint64_t end, int depth);

    mutable std::ifstream m_file;
    uint64_t m_fileSize = 0;
    Box m_root;
    std::string m_error;
};

// One track's sample tables (`stbl`), decoded.
struct TrackTables {
    struct Run {
        uint32_t count;
        int64_t value;
        bool operator==(const Run&) const = default;
    };
    struct ChunkRun {
        uint32_t firstChunk;
        uint32_t samplesPerChunk;
        uint32_t descriptionIndex;
    };
    std::vector<Run> durations;  // `stts`
    bool hasCtts = false;
    std::vector<Run> renderingOffsets;  // `ctts`, signed when its version is 1
    bool hasStss = false;
    std::vector<uint32_t> syncSamples;
    std::vector<ChunkRun> chunks;  // `stsc`
    uint32_t constantSize = 0;     // `stsz` sample size field (0: a table follows)
    std::vector<uint32_t> sizes;   // every sample's size, expanded when constant
    bool co64 = false;
    std::vector<uint64_t> chunkOffsets;

    // Per sample, expanded from the run-length and chunk tables.
    std::vector<uint32_t> SampleDurations() const;
    std::vector<int64_t> SampleRenderingOffsets() const;
    // File offset of every sample, from `stsc`, the chunk offsets and `stsz`.
    // Empty when the tables do not agree with each other.
    std::vector<uint64_t> SampleOffsets() const;
};

// Decodes `stbl`; false with `error` set when a table is missing or malformed.
bool ReadTrackTables(const BoxReader& reader, const Box& stbl, TrackTables* tables, std::string* error);

// Adds a freeform iTunes item ("----" of com.apple.iTunes) `name` = `value`
// to the file's moov/udta/meta/ilst and grows the boxes around it. The moov
// must follow the media data, as the ffmpeg tool writes it, so that no chunk
// offset moves; false when the file is not of that shape.
bool AddFreeformTag(const std::filesystem::path& file, const std::string& name, const std::string& value);

}  // namespace testsupport

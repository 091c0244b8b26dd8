#include "decode/Id3Chapters.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string_view>
#include <vector>

#include "base/Text.h"

namespace {

constexpr size_t kHeaderSize = 10;  // of the tag and of each frame
constexpr uint8_t kTagUnsynchronised = 0x80;
constexpr uint8_t kTagExtendedHeader = 0x40;
constexpr uint16_t kFrameDataLength = 0x0001;
constexpr uint16_t kFrameUnsynchronised = 0x0002;
constexpr uint16_t kFrameEncryptedOrCompressed = 0x000C;
// A CHAP frame holds little more than its title; anything larger is not read.
constexpr uint32_t kMaxChapterFrame = 1u << 20;

uint32_t BigEndian32(const uint8_t* p)
{
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// Seven bits a byte, as ID3v2 writes the tag's size and 2.4 its frames' sizes.
uint32_t Synchsafe32(const uint8_t* p)
{
    return uint32_t{p[0] & 0x7Fu} << 21 | uint32_t{p[1] & 0x7Fu} << 14 | uint32_t{p[2] & 0x7Fu} << 7 | (p[3] & 0x7Fu);
}

// The bytes with the unsynchronisation scheme undone: FF 00 becomes FF.
std::vector<uint8_t> Resynchronised(const std::vector<uint8_t>& bytes)
{
    std::vector<uint8_t> out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        out.push_back(bytes[i]);
        if (bytes[i] == 0xFF && i + 1 < bytes.size() && bytes[i + 1] == 0x00)
            ++i;
    }
    return out;
}

// The element id of a CHAP frame's body when none of its sub-frames is a
// title; empty otherwise. Sub-frame sizes are read as FFmpeg reads them
// (plain 32-bit), so that the answer agrees with the titles it gave.
std::string UntitledElementId(const std::vector<uint8_t>& body)
{
    const auto end = std::find(body.begin(), body.end(), uint8_t{0});
    if (end == body.end())
        return {};
    std::string id(body.begin(), end);
    size_t at = static_cast<size_t>(end - body.begin()) + 1 + 16;  // start, end, offsets
    while (at + kHeaderSize <= body.size()) {
        const std::string_view name(reinterpret_cast<const char*>(&body[at]), 4);
        if (name == "TIT2")
            return {};
        const uint32_t size = BigEndian32(&body[at + 4]);
        at += kHeaderSize;
        if (size > body.size() - at)
            break;
        at += size;
    }
    return id;
}

}  // namespace

std::set<std::string> UntitledId3Chapters(const std::u16string& path)
{
    std::set<std::string> untitled;
    std::ifstream in(ToPath(path), std::ios::binary);
    uint8_t header[kHeaderSize];
    if (!in.read(reinterpret_cast<char*>(header), kHeaderSize) ||
        std::string_view(reinterpret_cast<char*>(header), 3) != "ID3")
        return untitled;
    const uint8_t version = header[3];
    if (version != 3 && version != 4)
        return untitled;  // CHAP frames came with 2.3
    const bool tagUnsynchronised = (header[5] & kTagUnsynchronised) != 0;
    const uint64_t tagEnd = kHeaderSize + uint64_t{Synchsafe32(&header[6])};
    if (header[5] & kTagExtendedHeader) {
        uint8_t size[4];
        if (!in.read(reinterpret_cast<char*>(size), 4))
            return untitled;
        in.seekg(Synchsafe32(size), std::ios::cur);
    }
    for (;;) {
        uint8_t frame[kHeaderSize];
        if (static_cast<uint64_t>(in.tellg()) + kHeaderSize > tagEnd ||
            !in.read(reinterpret_cast<char*>(frame), kHeaderSize) || frame[0] == 0)
            break;  // the tag's end, its padding, or a short file
        uint32_t size = version == 4 ? Synchsafe32(&frame[4]) : BigEndian32(&frame[4]);
        const uint16_t flags = static_cast<uint16_t>(frame[8] << 8 | frame[9]);
        const std::string_view name(reinterpret_cast<char*>(frame), 4);
        if (name != "CHAP" || size > kMaxChapterFrame || (flags & kFrameEncryptedOrCompressed) != 0) {
            in.seekg(size, std::ios::cur);
            continue;
        }
        if (flags & kFrameDataLength) {
            in.seekg(4, std::ios::cur);
            size = size >= 4 ? size - 4 : 0;
        }
        std::vector<uint8_t> body(size);
        if (!in.read(reinterpret_cast<char*>(body.data()), static_cast<std::streamsize>(size)))
            break;
        if (tagUnsynchronised || (flags & kFrameUnsynchronised) != 0)
            body = Resynchronised(body);
        if (std::string id = UntitledElementId(body); !id.empty())
            untitled.insert(std::move(id));
    }
    return untitled;
}

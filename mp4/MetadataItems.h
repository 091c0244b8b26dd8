#pragma once
// The file's tags (`udta/meta/ilst`) and its Nero chapter list (`udta/chpl`).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mp4 {

class BoxWriter;

class MetadataItems {
public:
    // Sets or replaces the UTF-8 text item `type` (a four-byte code such as "\xA9" "ART").
    void SetText(const std::string& type, const std::string& text);
    // Sets or replaces the freeform item `----` named `name` of the
    // "com.apple.iTunes" space, which players read for details that have no
    // four-byte item of their own.
    void SetFreeform(const std::string& name, const std::string& text);
    // Sets or replaces a 16-bit signed integer item.
    void SetNumber(const std::string& type, int16_t value);
    void SetCover(const uint8_t* data, size_t size);
    void SetMediaKind(uint8_t kind);
    // False when the list already holds the most entries it can (255).
    bool AddChapter(uint64_t start100ns, const std::string& title);

    bool Empty() const;
    // Writes `udta` with `meta` and `chpl` as far as they have content.
    void WriteUserData(BoxWriter& out) const;

    static constexpr size_t MAX_CHAPTERS = 255;
    static constexpr size_t MAX_TITLE_BYTES = 255;

private:
    // One `ilst` entry: its type, its name when freeform, and its `data`.
    struct Item {
        std::string type;
        std::string name;
        uint32_t dataType;
        std::string data;
    };
    void Set(Item item);
    struct Chapter {
        uint64_t start100ns;
        std::string title;
    };
    void WriteItemList(BoxWriter& out) const;

    std::vector<Item> m_items;
    std::vector<uint8_t> m_cover;
    bool m_hasMediaKind = false;
    uint8_t m_mediaKind = 0;
    std::vector<Chapter> m_chapters;
};

// `text` cut to at most `maxBytes` without splitting a UTF-8 sequence.
std::string CutUtf8(const std::string& text, size_t maxBytes);

}  // namespace mp4

#include "mp4/MetadataItems.h"

#include "mp4/BoxWriter.h"
#include "mp4/Mp4File.h"

namespace mp4 {

namespace {
// Type indicators of a `data` item.
constexpr uint32_t DATA_UTF8 = 1;
constexpr uint32_t DATA_SIGNED_INT = 21;
constexpr const char* FREEFORM_SPACE = "com.apple.iTunes";
}  // namespace

std::string CutUtf8(const std::string& text, size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    size_t cut = maxBytes;
    // Back up over continuation bytes (10xxxxxx) to the start of a character.
    while (cut > 0 && (static_cast<uint8_t>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return text.substr(0, cut);
}

void MetadataItems::Set(Item item)
{
    for (auto& existing : m_items) {
        if (existing.type == item.type && existing.name == item.name) {
            existing = std::move(item);
            return;
        }
    }
    m_items.push_back(std::move(item));
}

void MetadataItems::SetText(const std::string& type, const std::string& text)
{
    Set({type, {}, DATA_UTF8, text});
}

void MetadataItems::SetFreeform(const std::string& name, const std::string& text)
{
    Set({"----", name, DATA_UTF8, text});
}

void MetadataItems::SetNumber(const std::string& type, int16_t value)
{
    const auto bits = static_cast<uint16_t>(value);
    Set({type, {}, DATA_SIGNED_INT, std::string{static_cast<char>(bits >> 8), static_cast<char>(bits & 0xFF)}});
}

void MetadataItems::SetCover(const uint8_t* data, size_t size)
{
    m_cover.assign(data, data + size);
}

void MetadataItems::SetMediaKind(uint8_t kind)
{
    m_hasMediaKind = true;
    m_mediaKind = kind;
}

bool MetadataItems::AddChapter(uint64_t start100ns, const std::string& title)
{
    if (m_chapters.size() >= MAX_CHAPTERS)
        return false;
    m_chapters.push_back({start100ns, CutUtf8(title, MAX_TITLE_BYTES)});
    return true;
}

bool MetadataItems::Empty() const
{
    return m_items.empty() && m_cover.empty() && !m_hasMediaKind && m_chapters.empty();
}

void MetadataItems::WriteItemList(BoxWriter& out) const
{
    const auto data = [&out](uint32_t dataType, const void* bytes, size_t size) {
        const size_t box = out.Begin("data");
        out.U32(dataType);  // version 0 and the type indicator
        out.U32(0);         // locale
        out.Bytes(bytes, size);
        out.End(box);
    };
    const auto item = [&out, &data](const std::string& type, uint32_t dataType, const void* bytes, size_t size) {
        const size_t box = out.Begin(type);
        data(dataType, bytes, size);
        out.End(box);
    };
    const auto fullBoxText = [&out](const char* type, const std::string& text) {
        const size_t box = out.BeginFull(type, 0, 0);
        out.Bytes(text.data(), text.size());
        out.End(box);
    };
    const size_t ilst = out.Begin("ilst");
    for (const Item& entry : m_items) {
        if (entry.name.empty()) {
            item(entry.type, entry.dataType, entry.data.data(), entry.data.size());
            continue;
        }
        // A freeform item: its space and its name, then its data.
        const size_t box = out.Begin(entry.type);
        fullBoxText("mean", FREEFORM_SPACE);
        fullBoxText("name", entry.name);
        data(entry.dataType, entry.data.data(), entry.data.size());
        out.End(box);
    }
    if (m_hasMediaKind)
        item("stik", DATA_SIGNED_INT, &m_mediaKind, 1);
    if (!m_cover.empty()) {
        const auto type = static_cast<uint32_t>(DetectCoverType(m_cover.data(), m_cover.size()));
        item("covr", type, m_cover.data(), m_cover.size());
    }
    out.End(ilst);
}

void MetadataItems::WriteUserData(BoxWriter& out) const
{
    if (Empty())
        return;
    const size_t udta = out.Begin("udta");
    if (!m_items.empty() || !m_cover.empty() || m_hasMediaKind) {
        const size_t meta = out.BeginFull("meta", 0, 0);
        const size_t hdlr = out.BeginFull("hdlr", 0, 0);
        out.U32(0);
        out.Type("mdir");
        out.Type("appl");
        out.Zeros(8);
        out.U8(0);  // empty name
        out.End(hdlr);
        WriteItemList(out);
        out.End(meta);
    }
    if (!m_chapters.empty()) {
        const size_t chpl = out.BeginFull("chpl", 1, 0);
        out.U32(0);  // reserved in version 1
        out.U8(static_cast<uint8_t>(m_chapters.size()));
        for (const auto& chapter : m_chapters) {
            out.U64(chapter.start100ns);
            out.U8(static_cast<uint8_t>(chapter.title.size()));
            out.Bytes(chapter.title.data(), chapter.title.size());
        }
        out.End(chpl);
    }
    out.End(udta);
}

}  // namespace mp4

#include "tests/support/BoxReader.h"

#include <algorithm>
#include <set>

#include "tests/support/TestSupport.h"

namespace testsupport {

namespace {

// Payload bytes before the first child box, for the boxes that hold children.
bool ChildStart(const std::string& type, const std::string& parentType, uint64_t* skip)
{
    static const std::set<std::string> containers = {"moov", "trak", "mdia", "minf", "stbl", "dinf", "udta",
                                                     "tref", "edts", "gmhd", "ilst", "mvex"};
    if (containers.count(type) || parentType == "ilst") {
        *skip = 0;
        return true;
    }
    if (type == "meta") {  // full box
        *skip = 4;
        return true;
    }
    if (type == "stsd" || type == "dref") {  // full box and an entry count
        *skip = 8;
        return true;
    }
    if (type == "mp4a") {  // audio sample entry fields
        *skip = 28;
        return true;
    }
    return false;
}

}  // namespace

const Box* Box::Child(std::string_view wanted, size_t index) const
{
    for (const auto& child : children) {
        if (child.type == wanted && index-- == 0)
            return &child;
    }
    return nullptr;
}

size_t Box::Count(std::string_view wanted) const
{
    return static_cast<size_t>(
        std::count_if(children.begin(), children.end(), [&](const Box& b) { return b.type == wanted; }));
}

uint8_t ByteCursor::U8()
{
    if (m_pos + 1 > m_bytes.size()) {
        m_ok = false;
        m_pos = m_bytes.size();
        return 0;
    }
    return m_bytes[m_pos++];
}

uint16_t ByteCursor::U16()
{
    const uint16_t hi = U8();
    return static_cast<uint16_t>(hi << 8 | U8());
}

uint32_t ByteCursor::U24()
{
    const uint32_t hi = U8();
    return hi << 16 | U16();
}

uint32_t ByteCursor::U32()
{
    const uint32_t hi = U16();
    return hi << 16 | U16();
}

uint64_t ByteCursor::U64()
{
    const uint64_t hi = U32();
    return hi << 32 | U32();
}

std::string ByteCursor::Text(size_t size)
{
    const auto bytes = Bytes(size);
    return std::string(bytes.begin(), bytes.end());
}

std::vector<uint8_t> ByteCursor::Bytes(size_t size)
{
    if (size > Remaining()) {
        m_ok = false;
        m_pos = m_bytes.size();
        return {};
    }
    std::vector<uint8_t> out(m_bytes.begin() + static_cast<std::ptrdiff_t>(m_pos),
                             m_bytes.begin() + static_cast<std::ptrdiff_t>(m_pos + size));
    m_pos += size;
    return out;
}

void ByteCursor::Skip(size_t size)
{
    Bytes(size);
}

BoxReader::BoxReader(const std::filesystem::path& file) : m_file(file, std::ios::binary)
{
    if (!m_file) {
        m_error = "cannot open " + file.string();
        return;
    }
    m_file.seekg(0, std::ios::end);
    m_fileSize = static_cast<uint64_t>(m_file.tellg());
    m_root.type = "";
    m_root.size = m_fileSize;
    ReadChildren(m_root, 0, m_fileSize, 0);
}

void BoxReader::ReadChildren(Box& parent, uint64_t start, uint64_t end, int depth)
{
    if (depth > 16) {
        m_error = "boxes nested too deeply";
        return;
    }
    uint64_t pos = start;
    while (pos < end && m_error.empty()) {
        if (end - pos < 8) {
            m_error = "stray bytes at " + std::to_string(pos) + " in " + parent.type;
            return;
        }
        ByteCursor header(ReadAt(pos, static_cast<size_t>(std::min<uint64_t>(16, end - pos))));
        Box box;
        box.offset = pos;
        uint64_t size = header.U32();
        box.type = header.Type();
        box.headerSize = 8;
        if (size == 1) {
            size = header.U64();
            box.headerSize = 16;
            if (!header.Ok()) {
                m_error = "truncated 64-bit size of " + box.type;
                return;
            }
        } else if (size == 0 && depth == 0) {
            size = end - pos;  // extends to the end of the file
        }
        if (size < box.headerSize || size > end - pos) {
            m_error = "box " + box.type + " at " + std::to_string(pos) + " has size " + std::to_string(size) +
                      " which does not fit " + (parent.type.empty() ? "the file" : parent.type);
            return;
        }
        box.size = size;
        uint64_t skip = 0;
        if (ChildStart(box.type, parent.type, &skip)) {
            if (skip > box.PayloadSize()) {
                m_error = "box " + box.type + " too small for its fields";
                return;
            }
            ReadChildren(box, box.PayloadOffset() + skip, pos + size, depth + 1);
        }
        parent.children.push_back(std::move(box));
        pos += size;
    }
}

const Box* BoxReader::Find(std::string_view path) const
{
    const Box* box = &m_root;
    while (!path.empty() && box) {
        const size_t slash = path.find('/');
        std::string_view part = path.substr(0, slash);
        path = slash == std::string_view::npos ? std::string_view{} : path.substr(slash + 1);
        size_t index = 0;
        if (const size_t open = part.find('['); open != std::string_view::npos) {
            index = std::stoul(std::string(part.substr(open + 1)));
            part = part.substr(0, open);
        }
        box = box->Child(part, index);
    }
    return box;
}

std::string BoxReader::Outline(const Box& box) const
{
    std::string out = box.type;
    if (!box.children.empty()) {
        out += "(";
        for (size_t i = 0; i < box.children.size(); ++i)
            out += (i ? " " : "") + Outline(box.children[i]);
        out += ")";
    }
    return out;
}

std::string BoxReader::Outline() const
{
    std::string out;
    for (size_t i = 0; i < m_root.children.size(); ++i)
        out += (i ? " " : "") + Outline(m_root.children[i]);
    return out;
}

std::vector<uint8_t> BoxReader::ReadAt(uint64_t offset, size_t size) const
{
    if (offset > m_fileSize)
        return {};
    size = static_cast<size_t>(std::min<uint64_t>(size, m_fileSize - offset));
    std::vector<uint8_t> out(size);
    m_file.clear();
    m_file.seekg(static_cast<std::streamoff>(offset));
    m_file.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(size));
    out.resize(static_cast<size_t>(m_file.gcount()));
    return out;
}

std::vector<uint8_t> BoxReader::Payload(const Box& box) const
{
    return ReadAt(box.PayloadOffset(), static_cast<size_t>(box.PayloadSize()));
}

ByteCursor BoxReader::FullBoxCursor(const Box& box, uint8_t* version, uint32_t* flags) const
{
    ByteCursor cursor(Payload(box));
    const uint8_t v = cursor.U8();
    const uint32_t f = cursor.U24();
    if (version)
        *version = v;
    if (flags)
        *flags = f;
    return cursor;
}

std::vector<uint32_t> TrackTables::SampleDurations() const
{
    std::vector<uint32_t> out;
    for (const auto& run : durations)
        out.insert(out.end(), run.count, static_cast<uint32_t>(run.value));
    return out;
}

std::vector<int64_t> TrackTables::SampleRenderingOffsets() const
{
    std::vector<int64_t> out;
    for (const auto& run : renderingOffsets)
        out.insert(out.end(), run.count, run.value);
    return out;
}

std::vector<uint64_t> TrackTables::SampleOffsets() const
{
    const size_t sampleCount = sizes.size();
    std::vector<uint64_t> out;
    size_t sample = 0;
    for (size_t c = 0; c < chunkOffsets.size(); ++c) {
        // The last `stsc` run whose first chunk is at or before this one.
        uint32_t perChunk = 0;
        for (const auto& run : chunks) {
            if (run.firstChunk <= c + 1)
                perChunk = run.samplesPerChunk;
        }
        uint64_t offset = chunkOffsets[c];
        for (uint32_t i = 0; i < perChunk; ++i, ++sample) {
            if (sample >= sampleCount)
                return {};
            out.push_back(offset);
            offset += sizes[sample];
        }
    }
    return sample == sampleCount ? out : std::vector<uint64_t>{};
}

bool ReadTrackTables(const BoxReader& reader, const Box& stbl, TrackTables* tables, std::string* error)
{
    auto fail = [&](const std::string& text) {
        if (error)
            *error = text;
        return false;
    };
    *tables = TrackTables{};

    const Box* stts = stbl.Child("stts");
    const Box* stsc = stbl.Child("stsc");
    const Box* stsz = stbl.Child("stsz");
    const Box* stco = stbl.Child("stco");
    const Box* co64 = stbl.Child("co64");
    if (!stts || !stsc || !stsz || (!stco && !co64) || (stco && co64))
        return fail("stbl lacks stts, stsc, stsz or exactly one of stco/co64");

    auto cursor = reader.FullBoxCursor(*stts);
    for (uint32_t n = cursor.U32(); n > 0 && cursor.Ok(); --n) {
        const uint32_t count = cursor.U32();
        tables->durations.push_back({count, cursor.U32()});
    }
    if (!cursor.Ok() || cursor.Remaining() != 0)
        return fail("stts size does not match its entry count");

    if (const Box* ctts = stbl.Child("ctts")) {
        uint8_t version = 0;
        cursor = reader.FullBoxCursor(*ctts, &version);
        tables->hasCtts = true;
        for (uint32_t n = cursor.U32(); n > 0 && cursor.Ok(); --n) {
            const uint32_t count = cursor.U32();
            const uint32_t raw = cursor.U32();
            tables->renderingOffsets.push_back(
                {count, version == 1 ? static_cast<int64_t>(static_cast<int32_t>(raw)) : static_cast<int64_t>(raw)});
        }
        if (!cursor.Ok() || cursor.Remaining() != 0)
            return fail("ctts size does not match its entry count");
    }

    if (const Box* stss = stbl.Child("stss")) {
        cursor = reader.FullBoxCursor(*stss);
        tables->hasStss = true;
        for (uint32_t n = cursor.U32(); n > 0 && cursor.Ok(); --n)
            tables->syncSamples.push_back(cursor.U32());
        if (!cursor.Ok() || cursor.Remaining() != 0)
            return fail("stss size does not match its entry count");
    }

    cursor = reader.FullBoxCursor(*stsc);
    for (uint32_t n = cursor.U32(); n > 0 && cursor.Ok(); --n) {
        TrackTables::ChunkRun run{};
        run.firstChunk = cursor.U32();
        run.samplesPerChunk = cursor.U32();
        run.descriptionIndex = cursor.U32();
        tables->chunks.push_back(run);
    }
    if (!cursor.Ok() || cursor.Remaining() != 0)
        return fail("stsc size does not match its entry count");

    cursor = reader.FullBoxCursor(*stsz);
    tables->constantSize = cursor.U32();
    const uint32_t sampleCount = cursor.U32();
    if (tables->constantSize == 0) {
        tables->sizes.reserve(sampleCount);
        for (uint32_t n = sampleCount; n > 0 && cursor.Ok(); --n)
            tables->sizes.push_back(cursor.U32());
    } else {
        tables->sizes.assign(sampleCount, tables->constantSize);
    }
    if (!cursor.Ok() || cursor.Remaining() != 0)
        return fail("stsz size does not match its sample count");

    tables->co64 = co64 != nullptr;
    cursor = reader.FullBoxCursor(co64 ? *co64 : *stco);
    for (uint32_t n = cursor.U32(); n > 0 && cursor.Ok(); --n)
        tables->chunkOffsets.push_back(co64 ? cursor.U64() : cursor.U32());
    if (!cursor.Ok() || cursor.Remaining() != 0)
        return fail("chunk offset table size does not match its entry count");
    return true;
}

namespace {
void PutU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

std::vector<uint8_t> MakeBox(const std::string& type, const std::vector<uint8_t>& payload)
{
    std::vector<uint8_t> box(8);
    PutU32(box, 0, static_cast<uint32_t>(8 + payload.size()));
    std::copy(type.begin(), type.end(), box.begin() + 4);
    box.insert(box.end(), payload.begin(), payload.end());
    return box;
}

std::vector<uint8_t> FullBoxText(uint32_t versionAndFlags, const std::string& text)
{
    std::vector<uint8_t> payload(4);
    PutU32(payload, 0, versionAndFlags);
    payload.insert(payload.end(), text.begin(), text.end());
    return payload;
}
}  // namespace

bool AddFreeformTag(const std::filesystem::path& file, const std::string& name, const std::string& value)
{
    std::vector<Box> path;  // moov down to ilst
    {
        BoxReader reader(file);
        for (const char* step : {"moov", "moov/udta", "moov/udta/meta", "moov/udta/meta/ilst"}) {
            if (const Box* box = reader.Find(step); box && box->headerSize == 8)
                path.push_back(*box);
        }
        const Box* mdat = reader.Find("mdat");
        if (!reader.Ok() || path.size() != 4 || !mdat || mdat->offset > path[0].offset)
            return false;
    }
    const std::vector<uint8_t> data = MakeBox("data", FullBoxText(1, std::string(4, '\0') + value));
    std::vector<uint8_t> item = MakeBox("mean", FullBoxText(0, "com.apple.iTunes"));
    const std::vector<uint8_t> named = MakeBox("name", FullBoxText(0, name));
    item.insert(item.end(), named.begin(), named.end());
    item.insert(item.end(), data.begin(), data.end());
    item = MakeBox("----", item);

    std::vector<uint8_t> bytes = ReadAll(file);
    const Box& list = path.back();
    bytes.insert(bytes.begin() + static_cast<long>(list.offset + list.size), item.begin(), item.end());
    for (const Box& box : path)
        PutU32(bytes, box.offset, static_cast<uint32_t>(box.size + item.size()));
    WriteAll(file, bytes);
    return true;
}

}  // namespace testsupport

#include "Mp4Inspect.h"

namespace mp4test {

using testsupport::ByteCursor;

namespace {

uint64_t ReadTimeField(ByteCursor& c, uint8_t version)
{
    return version == 1 ? c.U64() : c.U32();
}

// An MPEG-4 descriptor length: seven bits per byte while the high bit is set.
uint32_t DescriptorLength(ByteCursor& c)
{
    uint32_t length = 0;
    for (int i = 0; i < 4; ++i) {
        const uint8_t b = c.U8();
        length = length << 7 | (b & 0x7F);
        if (!(b & 0x80))
            break;
    }
    return length;
}

}  // namespace

HeaderFields ReadMovieHeader(const BoxReader& reader, const Box& mvhd)
{
    HeaderFields h;
    auto c = reader.FullBoxCursor(mvhd, &h.version, &h.flags);
    ReadTimeField(c, h.version);
    ReadTimeField(c, h.version);
    h.timeScale = c.U32();
    h.duration = ReadTimeField(c, h.version);
    c.Skip(4 + 2 + 10 + 36 + 24);
    h.nextTrackId = c.U32();
    return h;
}

HeaderFields ReadTrackHeader(const BoxReader& reader, const Box& tkhd)
{
    HeaderFields h;
    auto c = reader.FullBoxCursor(tkhd, &h.version, &h.flags);
    ReadTimeField(c, h.version);
    ReadTimeField(c, h.version);
    h.trackId = c.U32();
    c.U32();
    h.duration = ReadTimeField(c, h.version);
    return h;
}

HeaderFields ReadMediaHeader(const BoxReader& reader, const Box& mdhd)
{
    HeaderFields h;
    auto c = reader.FullBoxCursor(mdhd, &h.version, &h.flags);
    ReadTimeField(c, h.version);
    ReadTimeField(c, h.version);
    h.timeScale = c.U32();
    h.duration = ReadTimeField(c, h.version);
    return h;
}

std::string ReadHandlerType(const BoxReader& reader, const Box& hdlr)
{
    auto c = reader.FullBoxCursor(hdlr);
    c.U32();
    return c.Type();
}

AudioEntry ReadAudioEntry(const BoxReader& reader, const Box& mp4a)
{
    AudioEntry e;
    ByteCursor c(reader.Payload(mp4a));
    c.Skip(6 + 2 + 8);
    e.channels = c.U16();
    c.Skip(6);
    e.sampleRate = c.U32() >> 16;
    const Box* esds = mp4a.Child("esds");
    if (!esds)
        return e;
    auto d = reader.FullBoxCursor(*esds);
    if (d.U8() != 3)
        return e;
    DescriptorLength(d);
    e.esId = d.U16();
    d.U8();
    if (d.U8() != 4)
        return e;
    const uint32_t configLength = DescriptorLength(d);
    e.objectType = d.U8();
    e.streamTypeByte = d.U8();
    e.bufferSize = d.U24();
    e.maxBitRate = d.U32();
    e.averageBitRate = d.U32();
    if (configLength > 13) {
        if (d.U8() != 5)
            return e;
        e.decoderSpecificInfo = d.Bytes(DescriptorLength(d));
    }
    if (d.U8() != 6 || DescriptorLength(d) != 1)
        return e;
    e.slPredefined = d.U8();
    e.ok = d.Ok() && d.Remaining() == 0;
    return e;
}

DataItem ReadDataItem(const BoxReader& reader, const Box& item)
{
    DataItem out;
    const Box* data = item.Child("data");
    if (!data)
        return out;
    ByteCursor c(reader.Payload(*data));
    out.type = c.U32();
    c.U32();
    out.value = c.Text(c.Remaining());
    return out;
}

std::vector<NeroChapter> ReadNeroChapters(const BoxReader& reader, const Box& chpl)
{
    uint8_t version = 0;
    auto c = reader.FullBoxCursor(chpl, &version);
    if (version == 1)
        c.U32();
    std::vector<NeroChapter> out;
    for (uint8_t n = c.U8(); n > 0 && c.Ok(); --n) {
        NeroChapter chapter;
        chapter.start100ns = c.U64();
        chapter.title = c.Text(c.U8());
        out.push_back(chapter);
    }
    return c.Ok() && c.Remaining() == 0 ? out : std::vector<NeroChapter>{};
}

std::vector<uint8_t> ChapterTextSample(const std::u16string& title)
{
    std::vector<uint8_t> out;
    auto u16 = [&](uint32_t v) {
        out.push_back(static_cast<uint8_t>(v >> 8));
        out.push_back(static_cast<uint8_t>(v));
    };
    auto u32 = [&](uint32_t v) {
        u16(v >> 16);
        u16(v & 0xFFFF);
    };
    auto text = [&] {
        out.push_back(0xFF);
        out.push_back(0xFE);
        for (char16_t ch : title) {
            out.push_back(static_cast<uint8_t>(ch & 0xFF));
            out.push_back(static_cast<uint8_t>(ch >> 8));
        }
    };
    const auto n = static_cast<uint32_t>(title.size());
    u16(2 * n + 2);
    text();
    u32(12);
    out.insert(out.end(), {'e', 'n', 'c', 'd'});
    u32(256);
    u32(2 * n + 14);
    out.insert(out.end(), {'o', 'r', 'i', 'g'});
    u32(256);
    text();
    return out;
}

}  // namespace mp4test

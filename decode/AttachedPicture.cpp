#include "decode/AttachedPicture.h"

#include <cstring>
#include <new>

#include "decode/ContainerFacts.h"
#include "ffmpeg/Handles.h"

namespace {

// FFmpeg names the picture type of ID3 and FLAC pictures in this tag.
bool IsFrontCover(const AVStream& stream)
{
    const AVDictionaryEntry* comment = av_dict_get(stream.metadata, "comment", nullptr, 0);
    return comment && std::strcmp(comment->value, "Cover (front)") == 0;
}

}  // namespace

sAttachedPicture ReadAttachedPicture(const std::u16string& path, size_t maxBytes)
{
    ffmpeg::FormatContext context = OpenContainer(path);
    if (!context)
        return {};

    const AVStream* chosen = nullptr;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVStream* stream = context->streams[i];
        if (!(stream->disposition & AV_DISPOSITION_ATTACHED_PIC) || stream->attached_pic.size <= 0)
            continue;
        if (!chosen || (IsFrontCover(*stream) && !IsFrontCover(*chosen)))
            chosen = stream;
    }
    if (!chosen)
        return {};
    sAttachedPicture picture;
    picture.m_bFound = true;
    picture.m_nSize = static_cast<size_t>(chosen->attached_pic.size);
    if (picture.m_nSize <= maxBytes) {
        try {
            picture.m_bytes.assign(chosen->attached_pic.data, chosen->attached_pic.data + picture.m_nSize);
        } catch (const std::bad_alloc&) {
            picture.m_bytes.clear();
        }
    }
    return picture;
}

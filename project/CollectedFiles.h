#pragma once
// Gathers the audio files and pictures of one drop or one Add Files choice.
#include <array>
#include <string>
#include <string_view>
#include <vector>

// Compared without regard to case, with the extension's leading ".".
inline constexpr std::array<std::u16string_view, 5> IMAGE_EXTENSIONS{u".bmp", u".jpg", u".jpeg", u".gif", u".png"};
// Every container of audio that people keep books in; the decoder takes
// whatever it can decode.
inline constexpr std::array<std::u16string_view, 20> AUDIO_EXTENSIONS{
    u".mp3", u".wma", u".wav", u".m4a", u".m4b", u".aac", u".mp4", u".flac", u".ogg", u".oga",
    u".opus", u".mka", u".webm", u".weba", u".aif", u".aiff", u".wv", u".ape", u".ac3", u".mp2"};

enum class eFileKind { Other, Image, Audio, ChapterSheet };
// Classifies by the extension of the last path component.
eFileKind ClassifyPath(std::u16string_view path);

struct sCollectedFiles {
    std::vector<std::u16string> m_audio;   // full paths of audio files
    std::vector<std::u16string> m_images;  // full paths of pictures
    std::vector<std::u16string> m_sheets;  // full paths of .cue sheets

    // A folder is scanned; a regular file (links followed) is appended to
    // m_images, m_audio or m_sheets by its extension; anything else (missing paths,
    // broken links, FIFOs, devices, sockets) is ignored.
    void CollectPath(const std::u16string& path);
    // Collects every regular file below `folder`, sub-folders included, hidden
    // entries included. A folder that cannot be read contributes nothing; a
    // link back into a folder that is being scanned is not followed.
    void ScanFolder(const std::u16string& folder);
    bool IsEmpty() const { return m_audio.empty() && m_images.empty() && m_sheets.empty(); }
};

// True when `path` names a folder (links followed).
bool IsFolderPath(const std::u16string& path);
// True when `path` names a regular file (links followed).
bool IsRegularFile(const std::u16string& path);
// True when both paths lead to the same file.
bool IsSameFile(const std::u16string& a, const std::u16string& b);

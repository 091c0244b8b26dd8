#pragma once
// Gathers the audio files and pictures of one drop or one Add Files choice.
#include <array>
#include <string>
#include <string_view>
#include <vector>

// Compared without regard to case, with the extension's leading ".".
inline constexpr std::array<std::u16string_view, 4> IMAGE_EXTENSIONS{u".bmp", u".jpg", u".gif", u".png"};
inline constexpr std::array<std::u16string_view, 3> AUDIO_EXTENSIONS{u".mp3", u".wma", u".wav"};

enum class eFileKind { Other, Image, Audio };
// Classifies by the extension of the last path component.
eFileKind ClassifyPath(std::u16string_view path);

struct sCollectedFiles {
    std::vector<std::u16string> m_audio;   // full paths of audio files
    std::vector<std::u16string> m_images;  // full paths of pictures

    // A folder is scanned; a regular file (links followed) is appended to
    // m_images or m_audio by its extension; anything else (missing paths,
    // broken links, FIFOs, devices, sockets) is ignored.
    void CollectPath(const std::u16string& path);
    // Collects every regular file below `folder`, sub-folders included, hidden
    // entries included. A folder that cannot be read contributes nothing; a
    // link back into a folder that is being scanned is not followed.
    void ScanFolder(const std::u16string& folder);
    bool IsEmpty() const { return m_audio.empty() && m_images.empty(); }
};

// True when `path` names a folder (links followed).
bool IsFolderPath(const std::u16string& path);

#pragma once
// The cover field's content: the pictures of the last batch as lines, the
// selected line, and the typed or browsed text. A line or text that names an
// audio file stands for the picture stored inside that file.
#include <string>
#include <string_view>
#include <vector>

// True when the cover path `path` names an audio file: the cover is the
// picture stored inside it.
bool IsEmbeddedCover(std::u16string_view path);
// How a cover path is shown on a line: its last component, with
// " (embedded)" after an audio file's.
std::u16string CoverLineText(std::u16string_view path);

// Index of the first path whose lower-cased last component contains `word`,
// or -1.
int FindImage(const std::vector<std::u16string>& paths, std::u16string_view word);

// The line to select for sorted pictures: the first whose name contains
// "cover", else the first containing "album", else line 0 (-1 when empty).
int PreselectCover(const std::vector<std::u16string>& sortedPaths);

class CCoverChoice {
public:
    // Does nothing without pictures. Otherwise replaces the lines by the
    // pictures in ordinal order and selects the pre-selected line.
    void TakePictures(std::vector<std::u16string> paths);
    // Removes every line and the text.
    void Reset();
    // A browsed or typed path: becomes the text, no line is selected.
    void SetText(std::u16string text);
    // Selects a line (-1: none); a line's text becomes the field's text.
    void Select(int line);

    // The selected line's picture path; without a selection the text.
    std::u16string GetCoverPath() const;

    const std::vector<std::u16string>& Paths() const { return m_paths; }
    // The text of each line: CoverLineText of its path.
    std::vector<std::u16string> LineTexts() const;
    int Selected() const { return m_nSelected; }
    const std::u16string& Text() const { return m_strText; }

private:
    std::vector<std::u16string> m_paths;
    int m_nSelected = -1;
    std::u16string m_strText;
};

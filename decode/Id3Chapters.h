#pragma once
// Which ID3v2 chapters (CHAP frames) carry no title of their own. FFmpeg
// names such a chapter by its element id ("ch3", "b"), an internal key that
// no listener should see; this tells them apart from titled ones.
#include <set>
#include <string>

// The element ids of the CHAP frames without a TIT2 frame in the ID3v2 tag
// at the start of the file at `path` (versions 2.3 and 2.4). Empty when the
// file has no such tag or it cannot be read.
std::set<std::string> UntitledId3Chapters(const std::u16string& path);

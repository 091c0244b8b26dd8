#pragma once
// Rules for the file a conversion writes: its ".m4b" suffix and that it
// never replaces one of the files the book is made from.
#include <string>
#include <string_view>
#include <vector>

// `path` with ".m4b" appended unless its last component already ends in
// ".m4b" (any case). File dialogs add a default suffix only to names without
// a ".", so a name such as "Vol. 2" would otherwise stay without one.
std::u16string WithBookSuffix(std::u16string_view path);

// True when writing `output` would replace one of `inputs` (the audio files
// and the cover): the same file under any name, links and "." or ".."
// components included. Empty inputs are ignored.
bool OutputWouldOverwriteInput(const std::u16string& output, const std::vector<std::u16string>& inputs);

#pragma once
// The detail rows' MP4 items in a finished book, read back with mutagen.
#include <filesystem>
#include <string>

#include "base/BookDetails.h"

namespace testsupport {

// The text the tests set each row to: a whole number for the part, so that
// its number item is written too, and two lines for the description.
std::string DetailTestValue(const sDetailRow& row);

// Every MP4 item of `book` as "TYPE=VALUE" lines ("©nrt", "----:MEAN:NAME"),
// line breaks and backslashes in values escaped as "\n" and "\\".
std::string Mp4Items(const std::filesystem::path& book);

// The text `item` holds for the detail text `value`: the number of a number
// item, else the text.
std::string ItemText(const sMp4Item& item, const std::string& value);
// The line of Mp4Items that `item` holding `value` gives.
std::string Mp4ItemLine(const sMp4Item& item, const std::string& value);

}  // namespace testsupport

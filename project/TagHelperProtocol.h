#pragma once
// What the tag reader and its helper process, tavlin-tags, exchange.
//
// The helper's standard input holds the paths to read, each as its bytes
// followed by a NUL. Its standard output gets one answer per path, in the
// same order, as soon as that file is read: the length of the file's MediaInfo
// report in UTF-16 units (4 bytes, this machine's byte order), then the units.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace tagprotocol {

inline constexpr char PATH_END = '\0';

// A report longer than this is no tag report but a broken or hostile reply.
inline constexpr uint32_t MAX_REPORT_UNITS = 4u << 20;

// The helper's option that sets its address-space limit in bytes.
inline constexpr std::string_view ADDRESS_SPACE_OPTION = "--address-space";

inline void AppendAnswer(std::string& out, std::u16string_view report)
{
    const auto units = static_cast<uint32_t>(report.size());
    out.append(reinterpret_cast<const char*>(&units), sizeof units);
    out.append(reinterpret_cast<const char*>(report.data()), report.size() * sizeof(char16_t));
}

enum class eTake { Answer, Incomplete, Broken };

// Takes the first answer off the front of `buffer` into `report`.
inline eTake TakeAnswer(std::string& buffer, std::u16string& report)
{
    uint32_t units = 0;
    if (buffer.size() < sizeof units)
        return eTake::Incomplete;
    std::memcpy(&units, buffer.data(), sizeof units);
    if (units > MAX_REPORT_UNITS)
        return eTake::Broken;
    const size_t bytes = sizeof units + size_t{units} * sizeof(char16_t);
    if (buffer.size() < bytes)
        return eTake::Incomplete;
    report.resize(units);
    std::memcpy(report.data(), buffer.data() + sizeof units, size_t{units} * sizeof(char16_t));
    buffer.erase(0, bytes);
    return eTake::Answer;
}

}  // namespace tagprotocol

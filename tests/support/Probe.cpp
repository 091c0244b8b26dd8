#include "tests/support/Probe.h"

#include <sstream>

#include "tests/support/TestSupport.h"

namespace testsupport {
namespace {
// Splits ffprobe's compact output line "k=v|k=v" into its fields.
std::map<std::string, std::string> Fields(const std::string& line)
{
    std::map<std::string, std::string> fields;
    std::string key, value, *current = &key;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\\' && i + 1 < line.size()) {
            // The compact writer's escapes of line breaks and tabs.
            const char escaped = line[++i];
            *current += escaped == 'n' ? '\n' : escaped == 'r' ? '\r' : escaped == 't' ? '\t' : escaped;
        } else if (c == '=' && current == &key) {
            current = &value;
        } else if (c == '|') {
            fields[key] = value;
            key.clear();
            value.clear();
            current = &key;
        } else {
            *current += c;
        }
    }
    if (!key.empty())
        fields[key] = value;
    return fields;
}
}  // namespace

std::vector<ProbedChapter> ProbeChapters(const std::filesystem::path& file)
{
    const auto r = Run({"ffprobe", "-v", "error", "-show_chapters", "-of", "compact=p=0", file.string()});
    std::vector<ProbedChapter> chapters;
    std::istringstream lines(r.output);
    std::string line;
    while (std::getline(lines, line)) {
        auto f = Fields(line);
        if (f.count("start_time") == 0)
            continue;
        ProbedChapter c;
        c.start = std::stod(f["start_time"]);
        c.end = std::stod(f["end_time"]);
        c.title = f["tag:title"];
        chapters.push_back(c);
    }
    return chapters;
}

ProbedFormat ProbeFormat(const std::filesystem::path& file)
{
    ProbedFormat probed;
    const auto r = Run({"ffprobe", "-v", "error", "-show_format", "-show_streams", "-of", "compact=p=1", file.string()});
    if (r.exitCode != 0)
        return probed;
    probed.ok = true;
    std::istringstream lines(r.output);
    std::string line;
    while (std::getline(lines, line)) {
        const auto bar = line.find('|');
        const std::string section = line.substr(0, bar);
        auto f = Fields(bar == std::string::npos ? std::string() : line.substr(bar + 1));
        if (section == "stream") {
            if (f["codec_type"] == "audio")
                ++probed.audioStreams;
            if (f["disposition:attached_pic"] == "1")
                ++probed.pictureStreams;
        } else if (section == "format") {
            if (!f["duration"].empty() && f["duration"] != "N/A")
                probed.duration = std::stod(f["duration"]);
            for (const auto& [k, v] : f) {
                if (k.rfind("tag:", 0) == 0) {
                    std::string key = k.substr(4);
                    for (auto& ch : key)
                        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
                    probed.tags[key] = v;
                }
            }
        }
    }
    return probed;
}

std::vector<ProbedPacket> ProbePackets(const std::filesystem::path& file)
{
    const auto r = Run({"ffprobe", "-v", "error", "-select_streams", "a:0", "-show_entries", "packet=duration,size,pos,data_hash",
                        "-show_data_hash", "CRC32", "-of", "compact=p=0", file.string()});
    // A packet's side data breaks its line: fields are taken in order.
    std::vector<ProbedPacket> packets;
    ProbedPacket packet;
    std::string field;
    std::istringstream fields(r.output);
    while (std::getline(fields, field, '|')) {
        std::istringstream parts(field);
        std::string part;
        while (std::getline(parts, part)) {
            if (part.rfind("duration=", 0) == 0) {
                packet.duration = std::stol(part.substr(9));
            } else if (part.rfind("size=", 0) == 0) {
                packet.size = std::stol(part.substr(5));
            } else if (part.rfind("pos=", 0) == 0) {
                packet.pos = std::stol(part.substr(4));
            } else if (part.rfind("data_hash=", 0) == 0) {
                packet.hash = part.substr(10);
                packets.push_back(packet);
            }
        }
    }
    return packets;
}

bool DecodesCleanly(const std::filesystem::path& file, std::string* errors)
{
    const auto r = Run({"ffmpeg", "-nostdin", "-v", "error", "-i", file.string(), "-f", "null", "-"});
    if (errors != nullptr)
        *errors = r.output;
    return r.exitCode == 0 && r.output.empty();
}

}  // namespace testsupport

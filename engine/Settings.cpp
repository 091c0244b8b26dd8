#include "engine/Settings.h"

#include <cctype>
#include <strings.h>
#include <unistd.h>

#include <ini.h>

namespace {
struct ProfileQuery {
    const std::string* section;
    const std::string* key;
    std::optional<std::string> value;
};

int OnIniEntry(void* user, const char* section, const char* name, const char* value)
{
    auto* query = static_cast<ProfileQuery*>(user);
    if (!query->value && strcasecmp(section, query->section->c_str()) == 0 &&
        strcasecmp(name, query->key->c_str()) == 0)
        query->value = value;
    return 1;
}

std::string ExecutablePath()
{
    std::string buffer(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0)
        return {};
    buffer.resize(static_cast<size_t>(n));
    return buffer;
}
}  // namespace

std::filesystem::path SettingsPathFor(const std::string& executablePath)
{
    const auto slash = executablePath.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : executablePath.substr(0, slash + 1);
    return std::filesystem::path(folder + "Tavlin.ini");
}

std::filesystem::path ProgramSettingsPath()
{
    return SettingsPathFor(ExecutablePath());
}

namespace {
std::optional<std::string> ReadProfileValue(const std::filesystem::path& file, const std::string& section,
                                            const std::string& key)
{
    ProfileQuery query{&section, &key, std::nullopt};
    if (ini_parse(file.c_str(), OnIniEntry, &query) < 0)
        return std::nullopt;
    return query.value;
}
}  // namespace

std::string ReadProfileString(const std::filesystem::path& file, const std::string& section, const std::string& key,
                              const std::string& defaultValue)
{
    return ReadProfileValue(file, section, key).value_or(defaultValue);
}

std::string ConfiguredSheetEncoding(const std::filesystem::path& settings)
{
    return ReadProfileString(settings, "options", "sheet_encoding");
}

unsigned long ReadProfileInt(const std::filesystem::path& file, const std::string& section, const std::string& key,
                             unsigned long defaultValue)
{
    const std::optional<std::string> text = ReadProfileValue(file, section, key);
    if (!text)
        return defaultValue;
    unsigned long value = 0;
    for (const char c : *text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            break;
        value = value * 10 + static_cast<unsigned long>(c - '0');
    }
    return value;
}

sEncodingChoice ReadEncodingChoice(const std::filesystem::path& settings,
                                   std::optional<unsigned long> commandLineBitrate, bool reencode)
{
    sEncodingChoice choice;
    choice.m_bReencode = reencode;
    if (commandLineBitrate) {
        choice.m_bitrate = commandLineBitrate;
        choice.m_bStrict = true;
        return choice;
    }
    // No bit rate can be as large as the default that stands for "no key".
    constexpr unsigned long kMissing = ~0ul;
    if (const unsigned long rate = ReadProfileInt(settings, "options", "bitrate", kMissing); rate != kMissing)
        choice.m_bitrate = rate;
    return choice;
}

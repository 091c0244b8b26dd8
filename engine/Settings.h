#pragma once
// The settings from "Tavlin.ini" beside the executable, section "options":
// "bitrate", the AAC bit rate per channel, read anew for every file, and
// "sheet_encoding", the code page of chapter sheets that are not Unicode.
#include <filesystem>
#include <optional>
#include <string>

// The settings file for an executable path: its folder (cut after the last
// separator; nothing when there is none) followed by "Tavlin.ini".
std::filesystem::path SettingsPathFor(const std::string& executablePath);
// The settings file of this process (or the path given to SetSettingsPath).
std::filesystem::path SettingsPath();
void SetSettingsPath(std::optional<std::filesystem::path> path);

// The integer under [section] key in an initialisation file, section and key
// compared without regard to case; `defaultValue` when the file or the key
// is missing. A value is read as its leading decimal digits (none: 0).
unsigned long ReadProfileInt(const std::filesystem::path& file, const std::string& section, const std::string& key,
                             unsigned long defaultValue);

// The text under [section] key, or `defaultValue` as ReadProfileInt.
std::string ReadProfileString(const std::filesystem::path& file, const std::string& section, const std::string& key,
                              const std::string& defaultValue = {});

// The sheet_encoding setting: an encoding name for iconv; empty when none.
std::string ConfiguredSheetEncoding();

// A bit rate that takes the place of the settings file (the command line's
// --bitrate); nullopt restores the file.
void SetBitrateOverride(std::optional<unsigned long> bitsPerSecondPerChannel);
// The override, when one is set.
std::optional<unsigned long> BitrateOverride();
// Whether a bit rate was asked for: the override, or a bitrate key in the
// settings file. A book is then encoded at that rate, never copied.
bool BitrateRequested();
// Whether every book is encoded, even one whose AAC frames could be copied
// (the command line's --reencode).
void SetForceReencode(bool force);
bool ForceReencode();
// The bit rate per channel for the next file: the override, else the file's
// setting, else `defaultValue`.
unsigned long ConfiguredBitrate(unsigned long defaultValue);

#pragma once
// The settings from "Tavlin.ini" beside the executable, section "options":
// "bitrate", the AAC bit rate per channel, and "sheet_encoding", the code
// page of chapter sheets that are not Unicode. A front end reads them when it
// builds a conversion (or reads a sheet), from the file it was given.
#include <filesystem>
#include <optional>
#include <string>

#include "engine/ConversionContext.h"

// The settings file for an executable path: its folder (cut after the last
// separator; nothing when there is none) followed by "Tavlin.ini".
std::filesystem::path SettingsPathFor(const std::string& executablePath);
// The settings file beside this process's executable.
std::filesystem::path ProgramSettingsPath();

// The integer under [section] key in an initialisation file, section and key
// compared without regard to case; `defaultValue` when the file or the key
// is missing. A value is read as its leading decimal digits (none: 0).
unsigned long ReadProfileInt(const std::filesystem::path& file, const std::string& section, const std::string& key,
                             unsigned long defaultValue);

// The text under [section] key, or `defaultValue` as ReadProfileInt.
std::string ReadProfileString(const std::filesystem::path& file, const std::string& section, const std::string& key,
                              const std::string& defaultValue = {});

// The sheet_encoding setting of `settings`: an encoding name for iconv;
// empty when none.
std::string ConfiguredSheetEncoding(const std::filesystem::path& settings);

// How a book is encoded: at `commandLineBitrate` when given (strictly), else
// at the settings file's bitrate when it has one, and always re-encoded with
// `reencode`.
sEncodingChoice ReadEncodingChoice(const std::filesystem::path& settings,
                                   std::optional<unsigned long> commandLineBitrate = std::nullopt,
                                   bool reencode = false);

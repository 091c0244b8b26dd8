#pragma once
// Text helpers for paths and names. They work on UTF-16 code units, as the
// list's naming, ordering and comparison rules are defined on code units.
#include <string>
#include <string_view>

// The separator between path components on this platform.
inline constexpr char16_t PATH_SEPARATOR = u'/';

// Upper- and lower-case of a single code unit (full Unicode case tables of
// the C library; surrogates and unmapped units are returned unchanged).
char16_t UpperCaseUnit(char16_t unit);
char16_t LowerCaseUnit(char16_t unit);
std::u16string ToLowerCase(std::u16string_view text);
// Equal code unit by code unit after upper-casing each unit.
bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b);

// The last component of `path` (everything after its last separator).
std::u16string_view LastPathComponent(std::u16string_view path);
// The extension of the last component, from its last "." to the end, or an
// empty view when that component has no ".".
std::u16string_view ExtensionOf(std::u16string_view path);
// `name` without everything from its last "." onward (unchanged without one).
std::u16string RemoveExtension(std::u16string_view name);
// `folder` and `name` joined by one separator.
std::u16string JoinPath(std::u16string_view folder, std::u16string_view name);

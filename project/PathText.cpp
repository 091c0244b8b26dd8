#include "project/PathText.h"

#include <clocale>
#include <cwctype>
#include <locale.h>

namespace {

// A UTF-8 character-type locale whose case tables cover all of Unicode,
// independent of the process's own locale. Null when none is installed: then
// only ASCII letters change case.
locale_t CaseLocale()
{
    static const locale_t locale = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
        if (!l)
            l = newlocale(LC_CTYPE_MASK, "en_US.UTF-8", locale_t{});
        return l;
    }();
    return locale;
}

bool IsSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDFFF;
}

// Maps one unit; a result outside the basic plane cannot stand for one unit.
char16_t MapUnit(char16_t unit, bool upper)
{
    if (unit < 0x80) {
        if (upper && unit >= u'a' && unit <= u'z')
            return static_cast<char16_t>(unit - u'a' + u'A');
        if (!upper && unit >= u'A' && unit <= u'Z')
            return static_cast<char16_t>(unit - u'A' + u'a');
        return unit;
    }
    const locale_t locale = CaseLocale();
    if (IsSurrogate(unit) || !locale)
        return unit;
    const wint_t mapped = upper ? towupper_l(unit, locale) : towlower_l(unit, locale);
    if (mapped > 0xFFFF || IsSurrogate(static_cast<char16_t>(mapped)))
        return unit;
    return static_cast<char16_t>(mapped);
}

}  // namespace

char16_t UpperCaseUnit(char16_t unit)
{
    return MapUnit(unit, true);
}

char16_t LowerCaseUnit(char16_t unit)
{
    return MapUnit(unit, false);
}

std::u16string ToLowerCase(std::u16string_view text)
{
    std::u16string out(text);
    for (char16_t& unit : out)
        unit = LowerCaseUnit(unit);
    return out;
}

bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (UpperCaseUnit(a[i]) != UpperCaseUnit(b[i]))
            return false;
    }
    return true;
}

std::u16string_view LastPathComponent(std::u16string_view path)
{
    const size_t slash = path.rfind(PATH_SEPARATOR);
    return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

std::u16string_view ExtensionOf(std::u16string_view path)
{
    const std::u16string_view name = LastPathComponent(path);
    const size_t dot = name.rfind(u'.');
    return dot == std::u16string_view::npos ? std::u16string_view{} : name.substr(dot);
}

std::u16string RemoveExtension(std::u16string_view name)
{
    const size_t dot = name.rfind(u'.');
    return std::u16string(dot == std::u16string_view::npos ? name : name.substr(0, dot));
}

std::u16string JoinPath(std::u16string_view folder, std::u16string_view name)
{
    std::u16string path(folder);
    if (path.empty() || path.back() != PATH_SEPARATOR)
        path += PATH_SEPARATOR;
    path += name;
    return path;
}

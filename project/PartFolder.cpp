#include "project/PartFolder.h"

#include <array>

#include "project/PathText.h"

bool IsPartFolderName(std::u16string_view name)
{
    static constexpr std::array<std::u16string_view, 4> WORDS{u"cd", u"disc", u"disk", u"part"};
    for (std::u16string_view word : WORDS) {
        if (name.size() <= word.size() || !EqualsIgnoreCase(name.substr(0, word.size()), word))
            continue;
        std::u16string_view number = name.substr(word.size());
        if (number.front() == u' ' || number.front() == u'_' || number.front() == u'-')
            number.remove_prefix(1);
        return !number.empty() && number.find_first_not_of(u"0123456789") == std::u16string_view::npos;
    }
    return false;
}

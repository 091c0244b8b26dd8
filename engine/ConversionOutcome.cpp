#include "engine/ConversionOutcome.h"

std::u16string PartialBookNote(const sConversionOutcome& outcome)
{
    if (outcome.m_strPartialBook.empty())
        return {};
    if (outcome.m_strKeptFile.empty())
        return u"The partial book is " + outcome.m_strPartialBook + u".";
    return u"The existing book " + outcome.m_strKeptFile + u" was left as it was; the partial book is " +
           outcome.m_strPartialBook + u".";
}

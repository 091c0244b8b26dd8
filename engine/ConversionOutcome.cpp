#include "engine/ConversionOutcome.h"

std::u16string PartialBookNote(const sConversionOutcome& outcome)
{
    if (outcome.m_strPartialBook.empty())
        return {};
    return u"The existing book " + outcome.m_strKeptFile + u" was left as it was; the partial book is " +
           outcome.m_strPartialBook + u".";
}

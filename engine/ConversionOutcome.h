#pragma once
// How a conversion ended, as the job reports it to the front end.
#include <string>
#include <vector>

#include "base/BookTypes.h"

enum class eOutcome {
    Completed,
    Failed,   // with the first failure's message (empty when the engine gave none)
    Aborted,  // by the front end's Abort, before any failure
};

struct sConversionOutcome {
    eOutcome m_eOutcome = eOutcome::Completed;
    std::u16string m_strError;  // Failed: the first failure's message
    // Completed: the chapters inside files that the book could not hold.
    std::vector<sLeftOutChapter> m_leftOutChapters;
};

#pragma once
// How a conversion ended, as the job reports it to the front end.
#include <string>
#include <vector>

enum class eOutcome {
    Completed,
    Failed,   // with the first failure's message (empty when the engine gave none)
    Aborted,  // by the front end's Abort, before any failure
};

struct sConversionOutcome {
    eOutcome m_eOutcome = eOutcome::Completed;
    std::u16string m_strError;  // Failed: the first failure's message
    // What the user should know about files that were converted all the
    // same (such as damaged frames replaced by silence), in book order.
    std::vector<std::u16string> m_warnings;
};

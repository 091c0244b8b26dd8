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
    // Failed or Aborted while a file of the output's name was there: that
    // file, left as it was, and where the partial book was kept beside it.
    // Both empty otherwise (a partial book then has the output's name),
    // except with sConversionContext::m_bPartialBesideOnly, which keeps the
    // partial book beside a name that no file has (m_strKeptFile empty).
    std::u16string m_strKeptFile;
    std::u16string m_strPartialBook;
    // What the user should know about files that were converted all the
    // same (such as damaged frames replaced by silence), in book order.
    std::vector<std::u16string> m_warnings;
};

// What both front ends add to their abort or failure message when the
// partial book was kept beside an existing file: the names of both. Empty
// when it was not; only the partial book's name when no file was there.
std::u16string PartialBookNote(const sConversionOutcome& outcome);

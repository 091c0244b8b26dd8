#pragma once
// What a front end that shows a book project hears of its changes. Each call
// comes right after the change it names, so a window can redraw while the
// tags of a long batch are still being read. Every call has a do-nothing
// default: a front end that shows nothing (the command line) needs none.
#include <cstddef>
#include <vector>

class IBookProjectView {
public:
    virtual ~IBookProjectView() = default;

    // Every row was deleted.
    virtual void OnRowsCleared() {}
    // All six details were replaced (prefilled from a batch, or emptied).
    virtual void OnDetailsChanged() {}
    // Row `row` was appended; `numberInBatch` counts the batch's rows from 1.
    virtual void OnRowAdded(size_t /*row*/, size_t /*numberInBatch*/) {}
    // The last row of a batch was appended.
    virtual void OnBatchAdded() {}
    // These rows were deleted, highest index first.
    virtual void OnRowsDeleted(const std::vector<size_t>& /*rowsDescending*/) {}
    // The cover field's lines, selection or text changed.
    virtual void OnCoverChanged() {}
    // The chapter titles now come from the other source.
    virtual void OnChapterSourceChanged() {}
    // Row `row` took the chapters of a chapter sheet: its Chapter text changed.
    virtual void OnRowChanged(size_t /*row*/) {}
    // Chapter sheets just added have problems or notices, or files of
    // details beside a batch's audio could not be read
    // (CBookProject::ChapterProblems, ChapterNotices).
    virtual void OnChapterProblems() {}
};

#pragma once
// The file list: one row per input file and chapter. Each row owns its
// sItem record; column 0 shows the display name, column 1 the chapter title
// under the current chapter source.
#include <functional>
#include <memory>
#include <vector>

#include "Item.h"
#include "ListViewCtrl.h"

class CListFiles : public C_ListViewCtrl {
public:
    explicit CListFiles(QWidget* parent = nullptr);

    // Appends a row for `item` and returns its index.
    int Add(std::unique_ptr<sItem> item);
    int RowCount() const { return topLevelItemCount(); }
    const sItem& Row(int index) const;
    std::vector<const sItem*> Rows() const;

    // Deletes one row (and its record), or every row.
    void DeleteRow(int index);
    void DeleteAllRows();
    // Deletes the selected rows, last first, so indices do not shift.
    void DeleteSelectedRows();
    // Rewrites column 1 of every row after a change of the chapter source.
    void RefreshChapterColumn();

    // Called after each inserted row and before each deleted row; the count
    // given to the deletion still includes the row being deleted.
    std::function<void()> m_onRowInserted;
    std::function<void(int countBeforeDelete)> m_onRowDeleting;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

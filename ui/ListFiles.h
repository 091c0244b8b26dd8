#pragma once
// The file list: one row per input file and chapter, showing the display
// name in column 0 and the chapter title in column 1. It shows the book
// project's rows; the Delete key is handed to whoever owns the project.
#include <QString>
#include <functional>
#include <vector>

#include "ui/ListViewCtrl.h"

class CListFiles : public C_ListViewCtrl {
public:
    explicit CListFiles(QWidget* parent = nullptr);

    // Appends a row with these texts.
    void AddRow(const QString& name, const QString& chapter);
    int RowCount() const { return topLevelItemCount(); }
    // Rewrites the Chapter cell of row `index`.
    void SetChapterText(int index, const QString& chapter);

    // Deletes one row, or every row.
    void DeleteRow(int index);
    void DeleteAllRows();
    // The selected rows' indices, in row order.
    std::vector<size_t> SelectedRows() const;

    // The Delete key was pressed.
    std::function<void()> m_onDeleteKey;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

#pragma once
// File › Convert Each Folder: the books found under a folder, listed with
// their details and outputs in a read-only list, then converted one after
// another in one progress dialog, with a summary at the end.
#include <QDialog>
#include <string>
#include <vector>

#include "ui/LibraryJob.h"

class QTreeWidget;

class CLibraryDlg : public QDialog {
public:
    // One row per book: its name, chapters, length, details, output and
    // what the run will do with it.
    CLibraryDlg(const std::vector<sLibraryBook>& books, const std::vector<sPlannedLibraryBook>& planned,
                QWidget* parent = nullptr);

    QTreeWidget& List() const { return *m_list; }

private:
    QTreeWidget* m_list = nullptr;
};

// Finds the books under `root`, lists them, and when the user goes on,
// converts them on `pool` and shows the summary.
void ConvertEachFolder(QWidget* owner, const std::u16string& root, const sLibrarySettings& settings,
                       CThreadPool& pool);

#pragma once
// Chapters > Edit Chapters: every chapter the book will have, where it starts
// in the book, how long it lasts, its title (edited in place) and its file.
#include <QDialog>
#include <vector>

#include "engine/ConversionContext.h"
#include "project/BookProject.h"
#include "ui/DialogLayout.h"

class QLabel;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;

class CChapterEditorDlg : public QDialog {
public:
    // The table's columns.
    enum eColumn { COLUMN_NUMBER, COLUMN_START, COLUMN_LENGTH, COLUMN_TITLE, COLUMN_FILE, COLUMN_COUNT };

    // Lists the chapters of `project` (which outlives the dialog) in a book
    // made as `encoding` says; titles edited here go to the project.
    CChapterEditorDlg(CBookProject& project, const sEncodingChoice& encoding, QWidget* parent = nullptr);

    QTableWidget& Table() { return *m_table; }
    QLabel& Warning() { return *m_warning; }
    QPushButton& ResetButton() { return *m_reset; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct sControlRule {
        QWidget* widget;
        sLayoutRect initial;
        int rules;
    };

    // Fills the table from the project.
    void Reload();
    // A title typed into the table: given to the project, or refused with
    // the reason and put back.
    void OnTitleEdited(QTableWidgetItem* item);
    void OnResetTitles();

    CBookProject& m_project;
    sEncodingChoice m_encoding;
    std::vector<sBookChapter> m_chapters;
    QTableWidget* m_table = nullptr;
    QLabel* m_warning = nullptr;
    QPushButton* m_reset = nullptr;
    std::vector<sControlRule> m_rules;
    int m_nInitialWidth = 0;
    int m_nInitialHeight = 0;
    bool m_bFilling = false;  // the table is being filled, not edited
};

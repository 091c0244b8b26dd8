#pragma once
// "Split Long Chapters": whether chapters longer than 1.5 part lengths are
// cut into parts, at pauses or exactly, and the part length (typed as on the
// command line: 20m, 90s, 1h30m).
#include <QDialog>

#include "engine/ChapterSplit.h"

class QLineEdit;
class QPushButton;
class QRadioButton;

class CSplitChaptersDlg : public QDialog {
public:
    // Opens on `current`; a choice that is off shows the last length or 20m.
    explicit CSplitChaptersDlg(const sChapterSplit& current, QWidget* parent = nullptr);

    // The choice shown; a length that cannot be read turns splitting off
    // (OK is disabled meanwhile).
    sChapterSplit Choice() const;

private:
    void Update();

    QRadioButton* m_off = nullptr;
    QRadioButton* m_pauses = nullptr;
    QRadioButton* m_exact = nullptr;
    QLineEdit* m_length = nullptr;
    QPushButton* m_ok = nullptr;
};

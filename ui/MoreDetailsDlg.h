#pragma once
// The details that the main window has no field for, in one dialog laid out
// from the detail table: a line per detail, a multi-line editor for a detail
// kept with its line breaks.
#include <QDialog>
#include <string>
#include <vector>

#include "base/BookDetails.h"
#include "ui/DialogLayout.h"

// "Also: Narrator, Series" naming, in table order, the set details that the
// main window has no field for; empty when none of them is set.
std::u16string OtherDetailsSummary(const sBookDetails& details);

class CMoreDetailsDlg : public QDialog {
public:
    explicit CMoreDetailsDlg(const sBookDetails& details, QWidget* parent = nullptr);

    // The details given, with the dialog's editors' texts for its rows.
    sBookDetails Details() const;
    // The editor of `detail` (a QLineEdit or a QPlainTextEdit), named after
    // its row's key; null for a detail of the main window.
    QWidget* Editor(eDetail detail) const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct sPlaced {
        QWidget* widget;
        sLayoutRect initial;
        int rules;
    };
    void Place(QWidget* widget, const sLayoutRect& rect, int rules);

    sBookDetails m_details;
    std::vector<std::pair<eDetail, QWidget*>> m_editors;
    std::vector<sPlaced> m_placed;
    QSize m_initial;
};

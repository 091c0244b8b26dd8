#include "ui/LibraryDlg.h"

#include <algorithm>
#include <vector>

#include <QApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "base/Text.h"
#include "base/BookDetails.h"
#include "ui/DialogFont.h"
#include "ui/UserDialogs.h"

namespace {

QString Q(std::u16string_view text) { return QString::fromStdU16String(std::u16string(text)); }

}  // namespace

CLibraryDlg::CLibraryDlg(const std::vector<sLibraryBook>& books, const std::vector<sPlannedLibraryBook>& planned,
                         QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Convert Each Folder"));
    setFont(DialogFont());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("%1 books, made one after another; a book whose file exists is "
                                                "skipped. To change a book's details, open its folder as the "
                                                "current book.")
                                     .arg(books.size()),
                                 this));
    m_list = new QTreeWidget(this);
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The main window's details, and the others that some book has.
    std::vector<const sDetailRow*> shownRows;
    for (const sDetailRow& row : DETAIL_ROWS) {
        const bool anyBookHasIt = std::any_of(planned.begin(), planned.end(), [&row](const sPlannedLibraryBook& plan) {
            return !plan.m_details[row.m_detail].empty();
        });
        if (row.InMainWindow() || anyBookHasIt)
            shownRows.push_back(&row);
    }
    QStringList headers{QStringLiteral("Book"), QStringLiteral("Chapters"), QStringLiteral("Length")};
    for (const sDetailRow* row : shownRows)
        headers << Q(std::u16string(row->m_label)).remove(u':');
    headers << QStringLiteral("Output") << QStringLiteral("Run");
    m_list->setHeaderLabels(headers);
    for (size_t i = 0; i < books.size(); ++i) {
        const sPlannedLibraryBook& plan = planned[i];
        QStringList cells{Q(books[i].m_strName)};
        sLibraryResult shown;
        if (plan.m_strProblem.empty())
            shown.SetBook(plan.m_nChapters, plan.m_llLength);
        cells << QString::fromStdString(shown.m_strChapters) << QString::fromStdString(shown.m_strLength);
        for (const sDetailRow* row : shownRows)
            cells << Q(plan.m_details[row->m_detail]);
        cells << Q(books[i].m_strOutput);
        cells << (!plan.m_strProblem.empty() ? QStringLiteral("cannot be made: ") + Q(plan.m_strProblem)
                  : LibraryBookExists(books[i]) ? QStringLiteral("skipped: exists")
                                                 : QStringLiteral("made"));
        m_list->addTopLevelItem(new QTreeWidgetItem(cells));
    }
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(m_list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    buttons->addButton(QStringLiteral("Convert"), QDialogButtonBox::AcceptRole)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(720, 360);
}

void ConvertEachFolder(QWidget* owner, const std::u16string& root, const sLibrarySettings& settings,
                       CThreadPool& pool)
{
    const std::vector<sLibraryBook> books = FindLibraryBooks({root});
    if (books.empty()) {
        UserDialogs().ShowError(owner, QStringLiteral("Tavlin"),
                                QStringLiteral("No book folders (folders with audio files) in %1.").arg(Q(root)));
        return;
    }
    std::vector<sPlannedLibraryBook> planned;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    for (const sLibraryBook& book : books)
        planned.push_back(PlanLibraryBookFolder(book, settings));
    QApplication::restoreOverrideCursor();
    {
        CLibraryDlg list(books, planned, owner);
        if (list.exec() != QDialog::Accepted)
            return;
    }
    planned.clear();
    CLibraryJob job(books, settings, pool);
    {
        CProgressDlg progress(job, owner);
        progress.exec();
    }
    job.WaitForEnd(INFINITE_WAIT);
    UserDialogs().ShowInformation(owner, QStringLiteral("Tavlin"),
                                  QString::fromStdString(LibrarySummaryTable(job.Results())));
}

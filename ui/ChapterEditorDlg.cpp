#include "ui/ChapterEditorDlg.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QTableWidget>

#include "project/SplitChoice.h"
#include "ui/DialogFont.h"
#include "ui/UserDialogs.h"

namespace {

QString Q(const std::u16string& text) { return QString::fromStdU16String(text); }

void Place(QWidget* widget, const sLayoutRect& r) { widget->setGeometry(r.x, r.y, r.width, r.height); }

// A cell the user reads but does not edit.
QTableWidgetItem* ReadOnlyCell(const QString& text, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    item->setTextAlignment(alignment);
    return item;
}

}  // namespace

CChapterEditorDlg::CChapterEditorDlg(CBookProject& project, const sEncodingChoice& encoding, QWidget* parent)
    : QDialog(parent), m_project(project), m_encoding(encoding)
{
    setWindowTitle(QStringLiteral("Edit Chapters"));
    setFont(DialogFont());
    setSizeGripEnabled(true);
    const sDialogUnits du = DialogUnitsOf(font());
    m_nInitialWidth = du.X(400);
    m_nInitialHeight = du.Y(240);
    resize(m_nInitialWidth, m_nInitialHeight);
    int minWidth = 0;
    int minHeight = 0;
    MinimumTrackSize(m_nInitialWidth, m_nInitialHeight, minWidth, minHeight);
    setMinimumSize(minWidth, minHeight);

    m_table = new QTableWidget(0, COLUMN_COUNT, this);
    m_table->setHorizontalHeaderLabels({QStringLiteral("#"), QStringLiteral("Start"), QStringLiteral("Length"),
                                        QStringLiteral("Title"), QStringLiteral("File")});
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed);
    m_table->setTabKeyNavigation(false);  // Tab leaves the table for the buttons
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_warning = new QLabel(this);
    m_warning->setWordWrap(true);
    m_reset = new QPushButton(QStringLiteral("&Reset Titles"), this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setDefault(true);

    const std::pair<QWidget*, std::pair<sLayoutRect, int>> controls[] = {
        {m_table, {du.Rect(7, 7, 386, 188), RESIZE_SIZE_X | RESIZE_SIZE_Y}},
        {m_warning, {du.Rect(7, 199, 386, 16), RESIZE_MOVE_Y | RESIZE_SIZE_X}},
        {m_reset, {du.Rect(7, 219, 60, 14), RESIZE_MOVE_Y}},
        {close, {du.Rect(343, 219, 50, 14), RESIZE_MOVE_X | RESIZE_MOVE_Y}},
    };
    for (const auto& [widget, place] : controls) {
        Place(widget, place.first);
        m_rules.push_back({widget, place.first, place.second});
    }
    setTabOrder(m_table, m_reset);
    setTabOrder(m_reset, close);

    connect(m_table, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) { OnTitleEdited(item); });
    connect(m_reset, &QPushButton::clicked, this, [this] { OnResetTitles(); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    Reload();
}

void CChapterEditorDlg::Reload()
{
    m_chapters = m_project.BookChapters(m_encoding);
    m_bFilling = true;
    m_table->setRowCount(static_cast<int>(m_chapters.size()));
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    for (size_t i = 0; i < m_chapters.size(); ++i) {
        const sBookChapter& chapter = m_chapters[i];
        const int row = static_cast<int>(i);
        m_table->setItem(row, COLUMN_NUMBER, ReadOnlyCell(QString::number(chapter.m_nNumber), right));
        m_table->setItem(row, COLUMN_START, ReadOnlyCell(Q(FormatBookTime(chapter.m_start)), right));
        // A chapter that the split will cut says so: its cuts are found
        // during conversion.
        const std::u16string split = DescribeChapterSplit(chapter.m_length.value_or(0), m_project.ChapterSplit());
        m_table->setItem(row, COLUMN_LENGTH,
                         ReadOnlyCell(Q(FormatBookTime(chapter.m_length) + (split.empty() ? u"" : u" (" + split + u")")),
                                      right));
        m_table->setItem(row, COLUMN_TITLE, new QTableWidgetItem(Q(chapter.m_strTitle)));
        m_table->setItem(row, COLUMN_FILE, ReadOnlyCell(Q(chapter.m_strPath)));
    }
    m_table->resizeColumnsToContents();
    // Room to type a longer title than the ones listed.
    const int titleWidth = DialogUnitsOf(font()).X(120);
    if (m_table->columnWidth(COLUMN_TITLE) < titleWidth)
        m_table->setColumnWidth(COLUMN_TITLE, titleWidth);
    m_bFilling = false;
    const std::u16string warning = TooManyChaptersText(m_chapters.size());
    m_warning->setText(Q(warning));
    m_warning->setVisible(!warning.empty());
}

void CChapterEditorDlg::OnTitleEdited(QTableWidgetItem* item)
{
    if (m_bFilling || item->column() != COLUMN_TITLE)
        return;
    sBookChapter& chapter = m_chapters[static_cast<size_t>(item->row())];
    const std::u16string title = item->text().toStdU16String();
    if (title == chapter.m_strTitle)
        return;
    const std::u16string refused = m_project.RenameChapter(chapter.m_nFile, chapter.m_nMark, title);
    if (refused.empty()) {
        chapter.m_strTitle = title;
        return;
    }
    UserDialogs().ShowError(this, windowTitle(), Q(refused));
    m_bFilling = true;
    item->setText(Q(chapter.m_strTitle));
    m_bFilling = false;
}

void CChapterEditorDlg::OnResetTitles()
{
    m_project.ResetTitles();
    Reload();
}

void CChapterEditorDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    for (const sControlRule& rule : m_rules)
        Place(rule.widget, ApplyResizeRule(rule.initial, rule.rules, m_nInitialWidth, m_nInitialHeight,
                                           event->size().width(), event->size().height()));
}

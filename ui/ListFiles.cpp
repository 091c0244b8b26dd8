#include "ListFiles.h"

#include <QKeyEvent>
#include <algorithm>

namespace {

// A row of the list; it owns the record that it shows.
class CFileRow final : public QTreeWidgetItem {
public:
    explicit CFileRow(std::unique_ptr<sItem> item) : m_pItem(std::move(item))
    {
        setText(0, QString::fromStdU16String(m_pItem->GetText()));
        setText(1, QString::fromStdU16String(m_pItem->GetColumnText(1)));
        setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren);
    }
    const sItem& Item() const { return *m_pItem; }

private:
    std::unique_ptr<sItem> m_pItem;
};

}  // namespace

CListFiles::CListFiles(QWidget* parent) : C_ListViewCtrl(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    AddColumn(QStringLiteral("File"), 100, 1);
    AddColumn(QStringLiteral("Chapter"), 50, 0);
}

int CListFiles::Add(std::unique_ptr<sItem> item)
{
    addTopLevelItem(new CFileRow(std::move(item)));  // the list takes the row
    if (m_onRowInserted)
        m_onRowInserted();
    return topLevelItemCount() - 1;
}

const sItem& CListFiles::Row(int index) const { return static_cast<const CFileRow*>(topLevelItem(index))->Item(); }

std::vector<const sItem*> CListFiles::Rows() const
{
    std::vector<const sItem*> rows;
    for (int i = 0; i < RowCount(); ++i)
        rows.push_back(&Row(i));
    return rows;
}

void CListFiles::DeleteRow(int index)
{
    if (index < 0 || index >= RowCount())
        return;
    if (m_onRowDeleting)
        m_onRowDeleting(RowCount());
    delete takeTopLevelItem(index);  // frees the row's record with it
}

void CListFiles::DeleteAllRows()
{
    for (int i = RowCount() - 1; i >= 0; --i)
        DeleteRow(i);
}

void CListFiles::DeleteSelectedRows()
{
    std::vector<int> selected;
    for (int i = 0; i < RowCount(); ++i)
        if (topLevelItem(i)->isSelected())
            selected.push_back(i);
    std::sort(selected.rbegin(), selected.rend());
    for (int index : selected)
        DeleteRow(index);
}

void CListFiles::RefreshChapterColumn()
{
    for (int i = 0; i < RowCount(); ++i)
        topLevelItem(i)->setText(1, QString::fromStdU16String(Row(i).GetColumnText(1)));
}

void CListFiles::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete) {
        DeleteSelectedRows();
        event->accept();
        return;
    }
    C_ListViewCtrl::keyPressEvent(event);
}

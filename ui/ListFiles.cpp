#include "ui/ListFiles.h"

#include <QKeyEvent>

CListFiles::CListFiles(QWidget* parent) : C_ListViewCtrl(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    AddColumn(QStringLiteral("File"), 100, 1);
    AddColumn(QStringLiteral("Chapter"), 50, 0);
}

void CListFiles::AddRow(const QString& name, const QString& chapter)
{
    auto* row = new QTreeWidgetItem({name, chapter});
    row->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren);
    addTopLevelItem(row);  // the list takes the row
}

void CListFiles::SetChapterText(int index, const QString& chapter)
{
    if (QTreeWidgetItem* row = topLevelItem(index))
        row->setText(1, chapter);
}

void CListFiles::DeleteRow(int index)
{
    if (index >= 0 && index < RowCount())
        delete takeTopLevelItem(index);
}

void CListFiles::DeleteAllRows()
{
    for (int i = RowCount() - 1; i >= 0; --i)
        DeleteRow(i);
}

std::vector<size_t> CListFiles::SelectedRows() const
{
    std::vector<size_t> selected;
    for (int i = 0; i < RowCount(); ++i)
        if (topLevelItem(i)->isSelected())
            selected.push_back(static_cast<size_t>(i));
    return selected;
}

void CListFiles::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete) {
        if (m_onDeleteKey)
            m_onDeleteKey();
        event->accept();
        return;
    }
    C_ListViewCtrl::keyPressEvent(event);
}

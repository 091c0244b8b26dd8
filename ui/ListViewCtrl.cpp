#include "ui/ListViewCtrl.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>

#include "ui/AboutToResizeEvent.h"

namespace {

// The list's columns as the sizing rules see them.
class CHeaderWidths final : public IColumnWidths {
public:
    explicit CHeaderWidths(QHeaderView& header) : m_header(header) {}
    int GetColumnWidth(int column) const override { return m_header.sectionSize(column); }
    void SetColumnWidth(int column, int width) override { m_header.resizeSection(column, width); }

private:
    QHeaderView& m_header;
};

}  // namespace

C_ListViewCtrl::C_ListViewCtrl(QWidget* parent) : QTreeWidget(parent)
{
    setColumnCount(0);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QHeaderView* h = header();
    h->setStretchLastSection(false);
    h->setSectionsMovable(false);
    h->setSectionsClickable(false);
    h->setSortIndicatorShown(false);
    h->setMinimumSectionSize(0);
    h->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(h, &QHeaderView::sectionResized, this, [this](int column, int, int) { OnSectionResized(column); });
}

void C_ListViewCtrl::AddColumn(const QString& title, int width, int fixed)
{
    const int index = static_cast<int>(m_sizing.Columns().size());
    QTreeWidgetItem* headerRow = headerItem();
    setColumnCount(index + 1);
    headerRow->setText(index, title);
    headerRow->setTextAlignment(index, Qt::AlignLeft | Qt::AlignVCenter);
    m_sizing.AddColumn(title.toStdU16String(), width, fixed);
    // Setting the initial width is the list's own doing, not a drag.
    header()->blockSignals(true);
    header()->resizeSection(index, width);
    header()->blockSignals(false);
}

void C_ListViewCtrl::ResizeColumns(int width, int /*height*/)
{
    CHeaderWidths widths(*header());
    m_sizing.ResizeColumns(widths, width);
}

void C_ListViewCtrl::SettleLayout()
{
    // New rows change the scroll range; the scroll bars are shown or hidden
    // by a queued call. Run it now so that the viewport has its final width.
    updateGeometries();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

int C_ListViewCtrl::ClientWidth() const
{
    if (isVisible())
        return viewport()->width();
    // A hidden list lays out its viewport only when shown: work it out from
    // the frame and the scroll bar.
    int width = contentsRect().width();
    if (verticalScrollBar()->isVisibleTo(this))
        width -= verticalScrollBar()->sizeHint().width();
    return width;
}

void C_ListViewCtrl::OnSectionResized(int column)
{
    if (m_sizing.IsSizing())
        return;
    CHeaderWidths widths(*header());
    m_sizing.EndTrack(widths, column, ClientWidth());
    viewport()->update();
}

bool C_ListViewCtrl::event(QEvent* e)
{
    if (e->type() == CAboutToResizeEvent::kType) {
        const auto* resize = static_cast<CAboutToResizeEvent*>(e);
        // The new width less the frame and scroll bar as they are now.
        const int fill = resize->Width() - (width() - ClientWidth());
        ResizeColumns(fill, resize->Height());
        return true;
    }
    return QTreeWidget::event(e);
}

void C_ListViewCtrl::paintEvent(QPaintEvent* e)
{
    if (topLevelItemCount() > 0) {
        QTreeWidget::paintEvent(e);
        return;
    }
    QPainter painter(viewport());
    const QPalette& pal = palette();
    painter.fillRect(viewport()->rect(), pal.color(QPalette::Base));
    // The hint sits in the list's whole client area (header included) below
    // the offset; the viewport starts below the header, so shift into it.
    QRect area = contentsRect();
    area.setTop(area.top() + kHintOffset);
    area.translate(-viewport()->geometry().topLeft());
    painter.setPen(pal.color(QPalette::Disabled, QPalette::Text));
    painter.setFont(font());
    painter.drawText(area, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, QString::fromLatin1(kEmptyHint));
}

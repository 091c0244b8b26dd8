#pragma once
// Presentation of the file list: a report view whose columns keep filling
// its width (the column rules of CColumnSizing) and that shows a grey hint
// while it has no rows.
#include <QTreeWidget>

#include "ui/ColumnSizing.h"

class C_ListViewCtrl : public QTreeWidget {
public:
    static constexpr const char* kEmptyHint = "Drop files or folders there";
    // The hint is centred in the list's area below this offset from its top.
    static constexpr int kHintOffset = 20;

    explicit C_ListViewCtrl(QWidget* parent = nullptr);

    // Appends a left-aligned column and its sizing record.
    void AddColumn(const QString& title, int width, int fixed);
    // Fits the columns into `width` pixels (the height is not used).
    void ResizeColumns(int width, int height);
    // The width the columns have to fill: the viewport's width.
    int ClientWidth() const;
    // Brings the scroll bars up to date with the rows, so that ClientWidth
    // is final.
    void SettleLayout();

    const CColumnSizing& Sizing() const { return m_sizing; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void OnSectionResized(int column);

    CColumnSizing m_sizing;
};

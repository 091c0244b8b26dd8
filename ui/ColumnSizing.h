#pragma once
// Column rules of the file list, kept apart from the widgets: fixed columns
// keep their width, stretch columns share the rest of the list's width in
// proportion to their preferred widths.
#include <string>
#include <vector>

struct sColumnInfo {
    std::u16string m_strTitle;
    int m_nPreferred = 0;  // share weight (stretch) or last dragged width (fixed)
    int m_nCurrent = 0;    // width last given or accepted by the rules
    int m_bFixed = 0;      // non-zero: keeps its width, taken off the width to share
};

// The list whose columns are sized: reports and takes real column widths.
class IColumnWidths {
public:
    virtual ~IColumnWidths() = default;
    virtual int GetColumnWidth(int column) const = 0;
    virtual void SetColumnWidth(int column, int width) = 0;
};

class CColumnSizing {
public:
    void AddColumn(const std::u16string& title, int width, int fixed);

    // Fits the columns into `width` pixels. The height is not needed.
    void ResizeColumns(IColumnWidths& list, int width);

    // End of a divider drag on `column` whose list width is now whatever the
    // list reports; `clientWidth` is the list's width to fill.
    void EndTrack(IColumnWidths& list, int column, int clientWidth);

    // True while ResizeColumns runs; the list's own resize notifications are
    // ignored then.
    bool IsSizing() const { return m_nSizing > 0; }
    const std::vector<sColumnInfo>& Columns() const { return m_columns; }

private:
    std::vector<sColumnInfo> m_columns;
    int m_nSizing = 0;
};

#include "ui/ColumnSizing.h"

#include <algorithm>

void CColumnSizing::AddColumn(const std::u16string& title, int width, int fixed)
{
    m_columns.push_back(sColumnInfo{title, width, width, fixed});
}

void CColumnSizing::ResizeColumns(IColumnWidths& list, int width)
{
    ++m_nSizing;
    const int count = static_cast<int>(m_columns.size());

    // A stretch column whose real width differs from what we gave it was
    // resized some other way: its real width becomes its new weight.
    bool changed = false;
    for (int i = 0; i < count && !changed; ++i)
        if (!m_columns[i].m_bFixed && list.GetColumnWidth(i) != m_columns[i].m_nCurrent)
            changed = true;
    if (changed) {
        for (int i = 0; i < count; ++i) {
            if (m_columns[i].m_bFixed)
                continue;
            m_columns[i].m_nPreferred = list.GetColumnWidth(i);
            m_columns[i].m_nCurrent = m_columns[i].m_nPreferred;
        }
    }

    int fixedTotal = 0;
    int stretchTotal = 0;
    int lastStretch = -1;
    for (int i = 0; i < count; ++i) {
        if (m_columns[i].m_bFixed) {
            fixedTotal += list.GetColumnWidth(i);
        } else {
            stretchTotal += m_columns[i].m_nPreferred;
            lastStretch = i;
        }
    }

    // With no weight to share by (all stretch columns dragged down to 0) the
    // distribution would divide by zero: leave the columns as they are.
    if (stretchTotal != 0) {
        const long long available = static_cast<long long>(width) - fixedTotal;
        long long sum = 0;
        for (int i = 0; i < count; ++i) {
            sColumnInfo& column = m_columns[i];
            if (column.m_bFixed)
                continue;
            long long share = i == lastStretch ? available - sum : column.m_nPreferred * available / stretchTotal;
            sum += share;
            if (share >= column.m_nPreferred * 2 / 3) {
                list.SetColumnWidth(i, static_cast<int>(share));
                column.m_nCurrent = static_cast<int>(share);
            }
        }
    }
    --m_nSizing;
}

void CColumnSizing::EndTrack(IColumnWidths& list, int column, int clientWidth)
{
    const int count = static_cast<int>(m_columns.size());
    if (m_nSizing > 0 || column < 0 || column >= count)
        return;
    const int width = list.GetColumnWidth(column);
    if (width == m_columns[column].m_nCurrent)
        return;
    if (column + 1 < count) {
        sColumnInfo& next = m_columns[column + 1];
        // The neighbour gives up what this column gained; it never goes below
        // zero, which the list would not take as a plain width.
        next.m_nCurrent = std::max(0, next.m_nCurrent + m_columns[column].m_nCurrent - width);
        next.m_nPreferred = next.m_nCurrent;
        ++m_nSizing;
        list.SetColumnWidth(column + 1, next.m_nCurrent);
        --m_nSizing;
        m_columns[column].m_nPreferred = width;
        m_columns[column].m_nCurrent = width;
    } else {
        // The last column cannot be dragged: it goes back to filling the list.
        m_columns[column].m_nCurrent = width;
        ResizeColumns(list, clientWidth);
    }
}

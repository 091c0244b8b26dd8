#include <gtest/gtest.h>

#include "ui/ColumnSizing.h"

namespace {

// A list that simply keeps the widths it is given.
class CFakeList final : public IColumnWidths {
public:
    int GetColumnWidth(int column) const override { return widths.at(static_cast<size_t>(column)); }
    void SetColumnWidth(int column, int width) override { widths.at(static_cast<size_t>(column)) = width; }
    std::vector<int> widths;
};

// The file list's columns: "File" 100 fixed, "Chapter" 50 stretch.
struct FileListColumns : ::testing::Test {
    FileListColumns()
    {
        sizing.AddColumn(u"File", 100, 1);
        sizing.AddColumn(u"Chapter", 50, 0);
        list.widths = {100, 50};
    }
    CColumnSizing sizing;
    CFakeList list;
};

TEST_F(FileListColumns, ChapterTakesTheRestAndFollowsTheWidth)
{
    sizing.ResizeColumns(list, 400);
    EXPECT_EQ(list.widths, (std::vector<int>{100, 300}));
    sizing.ResizeColumns(list, 450);  // 50 pixels wider
    EXPECT_EQ(list.widths, (std::vector<int>{100, 350}));
    EXPECT_EQ(sizing.Columns()[1].m_nCurrent, 350);
    EXPECT_EQ(sizing.Columns()[1].m_nPreferred, 50);  // the weight stays
    EXPECT_FALSE(sizing.IsSizing());
}

TEST_F(FileListColumns, DraggingTheFileDividerMovesWidthBetweenTheColumns)
{
    sizing.ResizeColumns(list, 400);
    list.widths[0] = 130;  // the user drags File 30 pixels to the right
    sizing.EndTrack(list, 0, 400);
    EXPECT_EQ(list.widths, (std::vector<int>{130, 270}));
    EXPECT_EQ(sizing.Columns()[0].m_nPreferred, 130);
    EXPECT_EQ(sizing.Columns()[1].m_nPreferred, 270);

    sizing.ResizeColumns(list, 500);  // the next resize keeps File's new width
    EXPECT_EQ(list.widths, (std::vector<int>{130, 370}));
}

TEST_F(FileListColumns, TheLastColumnSnapsBack)
{
    sizing.ResizeColumns(list, 400);
    list.widths[1] = 120;
    sizing.EndTrack(list, 1, 400);
    EXPECT_EQ(list.widths, (std::vector<int>{100, 300}));
}

TEST_F(FileListColumns, ShrinkingBelowTwoThirdsOfTheWeightKeepsThePreviousWidth)
{
    sizing.ResizeColumns(list, 400);
    sizing.ResizeColumns(list, 134);  // share 34 >= 50 * 2 / 3 = 33
    EXPECT_EQ(list.widths[1], 34);
    sizing.ResizeColumns(list, 132);  // share 32 < 33: left alone
    EXPECT_EQ(list.widths[1], 34);
    EXPECT_EQ(sizing.Columns()[1].m_nCurrent, 34);
}

TEST_F(FileListColumns, AWidthChangedElsewhereBecomesTheNewWeight)
{
    sizing.ResizeColumns(list, 400);
    list.widths[1] = 80;  // not through the rules
    sizing.ResizeColumns(list, 400);
    EXPECT_EQ(sizing.Columns()[1].m_nPreferred, 80);
    EXPECT_EQ(list.widths[1], 300);
    // Now 2/3 of 80 (53) is the floor.
    sizing.ResizeColumns(list, 150);
    EXPECT_EQ(list.widths[1], 300);
}

TEST_F(FileListColumns, NoWeightLeftSkipsTheDistributionAndWidthsNeverGoNegative)
{
    sizing.ResizeColumns(list, 400);
    list.widths[0] = 400;  // File dragged right by exactly Chapter's width
    sizing.EndTrack(list, 0, 400);
    EXPECT_EQ(list.widths, (std::vector<int>{400, 0}));
    sizing.ResizeColumns(list, 600);  // stretch total 0: nothing divided, nothing changed
    EXPECT_EQ(list.widths, (std::vector<int>{400, 0}));

    list.widths[0] = 450;  // further than the neighbour has
    sizing.EndTrack(list, 0, 600);
    EXPECT_EQ(list.widths[1], 0);
}

TEST_F(FileListColumns, ADragWithoutWidthChangeDoesNothing)
{
    sizing.ResizeColumns(list, 400);
    sizing.EndTrack(list, 0, 400);
    EXPECT_EQ(list.widths, (std::vector<int>{100, 300}));
    EXPECT_EQ(sizing.Columns()[0].m_nPreferred, 100);
}

TEST(ColumnSizing, TheRemainderOfTheSharesGoesToTheLastStretchColumn)
{
    CColumnSizing sizing;
    CFakeList list;
    sizing.AddColumn(u"a", 10, 0);
    sizing.AddColumn(u"b", 10, 0);
    sizing.AddColumn(u"fixed", 20, 1);
    sizing.AddColumn(u"c", 10, 0);
    list.widths = {10, 10, 20, 10};
    sizing.ResizeColumns(list, 120);  // 100 to share by 1:1:1
    EXPECT_EQ(list.widths, (std::vector<int>{33, 33, 20, 34}));
}

}  // namespace

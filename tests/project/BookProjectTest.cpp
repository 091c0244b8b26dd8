#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <utility>

#include "project/BookProject.h"
#include "tests/support/TestSupport.h"
#include "base/Text.h"

namespace fs = std::filesystem;
using testsupport::TempDir;
using testsupport::WriteText;
using Paths = std::vector<std::u16string>;

namespace {

std::u16string U(const fs::path& path)
{
    return FromPath(path);
}

// Tags by file name; files not listed have none. Keeps the paths of every
// batch read.
struct sFakeTags {
    std::map<std::u16string, sTagInfo> m_byName;
    std::vector<Paths> m_batches;
    TagReader Reader()
    {
        return TagReader::FromBatch([this](const Paths& paths) {
            m_batches.push_back(paths);
            std::vector<sTagInfo> tags;
            for (const std::u16string& path : paths) {
                const auto it = m_byName.find(FromPath(ToPath(path).filename()));
                tags.push_back(it == m_byName.end() ? sTagInfo{} : it->second);
            }
            return tags;
        });
    }
};

sTagInfo Tags(std::u16string track, std::u16string performer)
{
    sTagInfo tags;
    tags.m_strTrackName = std::move(track);
    tags.m_details[eDetail::Artist] = std::move(performer);
    return tags;
}

Paths Names(const CBookProject& project)
{
    Paths names;
    for (const auto& row : project.Rows())
        names.push_back(row->m_strName);
    return names;
}

// Records what a view hears, one entry per call.
struct sRecordingView final : IBookProjectView {
    std::vector<std::string> m_calls;
    void OnRowsCleared() override { m_calls.push_back("cleared"); }
    void OnDetailsChanged() override { m_calls.push_back("details"); }
    void OnRowAdded(size_t row, size_t number) override
    {
        m_calls.push_back("row " + std::to_string(row) + " #" + std::to_string(number));
    }
    void OnBatchAdded() override { m_calls.push_back("batch"); }
    void OnRowsDeleted(const std::vector<size_t>& rows) override
    {
        std::string call = "deleted";
        for (size_t row : rows)
            call += " " + std::to_string(row);
        m_calls.push_back(call);
    }
    void OnCoverChanged() override { m_calls.push_back("cover"); }
    void OnChapterSourceChanged() override { m_calls.push_back("source"); }
};
using Calls = std::vector<std::string>;

// Restores the process-wide chapter source after a test.
class BookProjectTest : public ::testing::Test {
protected:
    BookProjectTest() { m_project.SetView(&m_view); }
    // What the view heard since the last call.
    Calls Heard() { return std::exchange(m_view.m_calls, {}); }

    void MakeFile(const std::string& relative)
    {
        fs::create_directories((m_dir / relative).parent_path());
        WriteText(m_dir / relative, "x");
    }
    std::u16string P(const std::string& relative) const { return U(m_dir / relative); }

    TempDir m_dir;
    sFakeTags m_tags;
    CBookProject m_project{m_tags.Reader()};
    sRecordingView m_view;
};

}  // namespace

TEST_F(BookProjectTest, DroppingAFolderGivesRowsCoverAndBookName)
{
    MakeFile("Book One/02.mp3");
    MakeFile("Book One/01.mp3");
    MakeFile("Book One/notes.txt");
    MakeFile("Book One/Cover.JPG");
    m_tags.m_byName[u"01.mp3"] = Tags(u"Opening", u"Reader A");

    m_project.Drop({P("Book One")});
    EXPECT_EQ(Names(m_project), (Paths{u"01", u"02"}));
    EXPECT_EQ(m_project.BookName(), u"Book One");
    EXPECT_EQ(m_project.Cover().GetCoverPath(), P("Book One/Cover.JPG"));
    EXPECT_EQ(m_project.Details()[eDetail::Artist], u"Reader A");
    // The window hears of the details before the rows.
    EXPECT_EQ(Heard(), (Calls{"cleared", "details", "row 0 #1", "row 1 #2", "batch", "cover"}));
    // The drop's files are read at once, each once (the first also gives the details).
    EXPECT_EQ(m_tags.m_batches, (std::vector<Paths>{{P("Book One/01.mp3"), P("Book One/02.mp3")}}));

    // A JPEG named with its long extension is a cover too.
    for (const std::string name : {"cover.jpeg", "COVER.JPEG"}) {
        MakeFile("Book " + name + "/01.mp3");
        MakeFile("Book " + name + "/back.jpg");
        MakeFile("Book " + name + "/" + name);
        m_project.Drop({P("Book " + name)});
        EXPECT_EQ(m_project.Cover().GetCoverPath(), P("Book " + name + "/" + name));
    }
}

TEST_F(BookProjectTest, TwoCdFoldersGiveRelativeNamesInOrder)
{
    MakeFile("Book/CD2/01.mp3");
    MakeFile("Book/CD1/01.mp3");
    m_project.Drop({P("Book/CD2"), P("Book/CD1")});
    EXPECT_EQ(Names(m_project), (Paths{u"1/01", u"2/01"}));
    EXPECT_EQ(m_project.BookName(), u"CD1");  // the last dropped folder wins
    EXPECT_EQ(m_project.Rows()[0]->m_strPath, P("Book/CD1/01.mp3"));
}

TEST_F(BookProjectTest, ADroppedFolderJoinsItsPartFoldersInTheOrderOfTheirNumbers)
{
    for (const std::string part : {"CD10", "CD 2", "cd1", "Extras"})
        MakeFile("Book/" + part + "/01.mp3");
    MakeFile("Book/00.mp3");
    m_project.Drop({P("Book")});
    std::vector<std::u16string> paths;
    for (const auto& row : m_project.Rows())
        paths.push_back(row->m_strPath);
    EXPECT_EQ(paths, (Paths{P("Book/00.mp3"), P("Book/cd1/01.mp3"), P("Book/CD 2/01.mp3"), P("Book/CD10/01.mp3"),
                            P("Book/Extras/01.mp3")}));
}

TEST_F(BookProjectTest, DroppedFilesKeepTheBookNameOfAnEarlierFolder)
{
    MakeFile("Saga/01.mp3");
    MakeFile("loose/a.b.mp3");
    m_project.Drop({P("Saga/"), P("loose/a.b.mp3")});
    EXPECT_EQ(m_project.BookName(), u"Saga");
    m_project.Drop({P("loose/a.b.mp3")});
    EXPECT_EQ(m_project.BookName(), u"Saga");
    EXPECT_EQ(Names(m_project), (Paths{u"a.b"}));
}

TEST_F(BookProjectTest, PicturesAloneKeepRowsAudioReplacesThem)
{
    MakeFile("a/01.mp3");
    MakeFile("a/02.mp3");
    MakeFile("b/x.mp3");
    MakeFile("pics/front.png");
    m_project.Drop({P("a/01.mp3"), P("a/02.mp3")});
    m_project.Details()[eDetail::Artist] = u"typed";
    Heard();

    m_project.Drop({P("pics/front.png")});
    EXPECT_EQ(Heard(), Calls{"cover"});
    EXPECT_EQ(Names(m_project), (Paths{u"01", u"02"}));
    EXPECT_EQ(m_project.Details()[eDetail::Artist], u"typed");  // no audio: no prefill
    EXPECT_EQ(m_project.Cover().GetCoverPath(), P("pics/front.png"));

    m_project.Drop({P("b/x.mp3")});
    EXPECT_EQ(Heard(), (Calls{"cleared", "details", "row 0 #1", "batch"}));
    EXPECT_EQ(Names(m_project), (Paths{u"x"}));
    EXPECT_EQ(m_project.Cover().GetCoverPath(), P("pics/front.png"));  // no pictures: cover stays
}

TEST_F(BookProjectTest, AddFilesAppendsAndTheSameFileTwiceGivesTwoRows)
{
    MakeFile("Saga/01.mp3");
    MakeFile("more/02.mp3");
    m_project.Drop({P("Saga")});
    Heard();
    m_project.AddFiles({P("more/02.mp3"), P("more/readme.txt")});
    EXPECT_EQ(Heard(), (Calls{"details", "row 1 #1", "batch"}));
    m_project.AddFiles({P("Saga/01.mp3")});
    EXPECT_EQ(Names(m_project), (Paths{u"01", u"02", u"01"}));
    EXPECT_EQ(m_project.BookName(), u"Saga");
}

TEST_F(BookProjectTest, EachBatchOverwritesAllDetailsAlsoWithEmptyValues)
{
    MakeFile("one/01.mp3");
    MakeFile("two/01.mp3");
    sTagInfo full = Tags(u"T", u"Artist");
    full.m_details[eDetail::Writer] = u"Writer";
    full.m_details[eDetail::Album] = u"Album";
    full.m_details[eDetail::Year] = u"1999";
    full.m_details[eDetail::Genre] = u"Speech";
    full.m_details[eDetail::Comment] = u"Note";
    m_tags.m_byName[u"01.mp3"] = full;
    m_project.Drop({P("one")});
    EXPECT_EQ(m_project.Details(), (sBookDetails{u"Artist", u"Writer", u"Album", u"1999", u"Speech", u"Note"}));

    m_tags.m_byName.clear();
    m_project.AddFiles({P("two/01.mp3")});
    EXPECT_EQ(m_project.Details(), sBookDetails{});
}

TEST_F(BookProjectTest, NewClearsEverythingButTheChapterSource)
{
    MakeFile("Saga/01.mp3");
    MakeFile("Saga/cover.png");
    m_project.Drop({P("Saga")});
    m_project.SetChapterSource(CHAPTERS_FROM_FILENAME);
    Heard();
    m_project.New();
    EXPECT_EQ(Heard(), (Calls{"cleared", "cover", "details"}));
    EXPECT_TRUE(m_project.Rows().empty());
    EXPECT_TRUE(m_project.BookName().empty());
    EXPECT_EQ(m_project.Details(), sBookDetails{});
    EXPECT_TRUE(m_project.Cover().GetCoverPath().empty());
    EXPECT_EQ(m_project.ChapterSource(), CHAPTERS_FROM_FILENAME);
}

TEST_F(BookProjectTest, DeleteRemovesExactlyTheSelectedRows)
{
    for (const char* name : {"0", "1", "2", "3", "4", "5"})
        MakeFile(std::string("d/") + name + ".mp3");
    m_project.Drop({P("d")});
    Heard();
    m_project.DeleteRows({1, 4, 3, 3, 17});
    EXPECT_EQ(Names(m_project), (Paths{u"0", u"2", u"5"}));
    EXPECT_EQ(Heard(), Calls{"deleted 4 3 1"});
    m_project.DeleteRows({3});
    EXPECT_EQ(Heard(), Calls{});
}

TEST_F(BookProjectTest, SavingStartsInTheBooksFolderUntilABookIsSaved)
{
    for (const char* file : {"a/01.mp3", "b/02.mp3", "Book One/01.mp3", "loose/x.mp3", "Other/01.mp3"})
        MakeFile(file);
    EXPECT_EQ(m_project.SaveFolder(), u"");
    m_project.AddFiles({P("b/02.mp3"), P("a/01.mp3")});
    EXPECT_EQ(m_project.SaveFolder(), P("a"));  // the first row's folder
    m_project.Drop({P("Book One/")});
    EXPECT_EQ(m_project.SaveFolder(), P("Book One"));
    m_project.Drop({P("loose/x.mp3")});
    EXPECT_EQ(m_project.SaveFolder(), P("Book One"));  // still the folder dropped last
    m_project.NoteSavedTo(P("out/Book One.m4b"));
    m_project.Drop({P("Other")});
    EXPECT_EQ(m_project.SaveFolder(), P("out"));
    m_project.New();
    EXPECT_EQ(m_project.SaveFolder(), P("out"));
}

TEST(Item, ConstructorCutsTheExtensionAndFallsBackToTheName)
{
    const sItem withTag(u"/x/a.b.mp3", u"a.b.mp3", [](const std::u16string&) { return Tags(u"Chapter One", u""); });
    EXPECT_EQ(withTag.m_strName, u"a.b");
    EXPECT_EQ(withTag.GetText(), u"a.b");
    EXPECT_EQ(withTag.m_Tags.m_strTrackName, u"Chapter One");

    const sItem without(u"/x/CD1/01.mp3", u"1/01.mp3", [](const std::u16string&) { return sTagInfo{}; });
    EXPECT_EQ(without.m_strName, u"1/01");
    EXPECT_EQ(without.m_Tags.m_strTrackName, u"1/01");
}

TEST(Item, ChapterColumnFollowsTheChapterSource)
{
    const sItem item(u"/x/01.mp3", u"01.mp3", [](const std::u16string&) { return Tags(u"Intro", u""); });
    EXPECT_EQ(item.GetColumnText(0, CHAPTERS_FROM_TAG), u"01");
    EXPECT_EQ(item.GetColumnText(1, CHAPTERS_FROM_TAG), u"Intro");
    EXPECT_EQ(item.GetColumnText(2, CHAPTERS_FROM_TAG), u"");
    EXPECT_EQ(item.GetColumnText(1, CHAPTERS_FROM_FILENAME), u"01");
}

TEST(Item, ChapterSourceStartsWithTheTag)
{
    EXPECT_EQ(CBookProject().ChapterSource(), CHAPTERS_FROM_TAG);
}

TEST_F(BookProjectTest, AnEditedTitleStaysWithItsRowUnderEitherSourceUntilReset)
{
    for (const char* name : {"0", "1", "2"})
        MakeFile(std::string("d/") + name + ".mp3");
    m_tags.m_byName = {{u"0.mp3", Tags(u"Zero", u"")}, {u"1.mp3", Tags(u"One", u"")}, {u"2.mp3", Tags(u"Two", u"")}};
    m_project.Drop({P("d")});
    EXPECT_EQ(m_project.RenameChapter(1, 0, u"Renamed"), u"");
    EXPECT_NE(m_project.RenameChapter(2, 0, u" "), u"");  // refused, with the reason
    EXPECT_NE(m_project.RenameChapter(2, 1, u"No such"), u"");
    const auto titles = [&] {
        Paths shown;
        for (size_t row = 0; row < m_project.Rows().size(); ++row)
            shown.push_back(m_project.RowText(row, 1));
        return shown;
    };
    EXPECT_EQ(titles(), (Paths{u"Zero", u"Renamed", u"Two"}));
    m_project.SetChapterSource(CHAPTERS_FROM_FILENAME);
    EXPECT_EQ(titles(), (Paths{u"0", u"Renamed", u"2"}));
    EXPECT_EQ(m_project.BuildConversion(P("b.m4b"), {}).m_files[1].m_strTitle, u"Renamed");

    // The title goes with its row, not with its place in the list.
    m_project.DeleteRows({0});
    EXPECT_EQ(titles(), (Paths{u"Renamed", u"2"}));
    m_project.ResetTitles();
    EXPECT_EQ(titles(), (Paths{u"1", u"2"}));
}

// Finding the book folders of a library on a tree of empty files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "base/Text.h"
#include "project/Library.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;
using testsupport::TempDir;
using Paths = std::vector<std::u16string>;

namespace {

class LibraryTest : public ::testing::Test {
protected:
    void MakeFiles(const std::vector<std::string>& relative)
    {
        for (const std::string& path : relative) {
            fs::create_directories((m_dir / path).parent_path());
            testsupport::WriteText(m_dir / path, "");
        }
    }
    std::u16string P(const std::string& relative) const { return FromPath(m_dir / relative); }
    Paths Ps(const std::vector<std::string>& relative) const
    {
        Paths paths;
        for (const std::string& path : relative)
            paths.push_back(P(path));
        std::sort(paths.begin(), paths.end());
        return paths;
    }

    TempDir m_dir;
};

Paths Names(const std::vector<sLibraryBook>& books)
{
    Paths names;
    for (const sLibraryBook& book : books)
        names.push_back(book.m_strName);
    return names;
}

Paths Sorted(Paths paths)
{
    std::sort(paths.begin(), paths.end());
    return paths;
}

struct sSubFolder {
    std::string m_strName;
    bool m_bPart;  // a part of its parent's book
};

void PrintTo(const sSubFolder& c, std::ostream* out)
{
    *out << '"' << c.m_strName << '"';
}

class LibrarySubFolder : public LibraryTest, public ::testing::WithParamInterface<sSubFolder> {};

}  // namespace

TEST_P(LibrarySubFolder, APartJoinsItsParentsBookAnyOtherFolderIsABookOfItsOwn)
{
    const std::string sub = "Lib/Book/" + GetParam().m_strName;
    MakeFiles({"Lib/Book/01.mp3", sub + "/01.mp3", sub + "/scan.jpg"});
    const std::vector<sLibraryBook> books = FindLibraryBooks({P("Lib")});
    if (GetParam().m_bPart) {
        ASSERT_EQ(Names(books), (Paths{u"Book"}));
        EXPECT_EQ(Sorted(books[0].m_files.m_audio), Ps({"Lib/Book/01.mp3", sub + "/01.mp3"}));
        EXPECT_EQ(books[0].m_files.m_images, Ps({sub + "/scan.jpg"}));
    } else {
        ASSERT_EQ(Names(books), (Paths{u"Book", u"Book/" + FromUtf8(GetParam().m_strName)}));
        EXPECT_EQ(books[0].m_files.m_audio, Ps({"Lib/Book/01.mp3"}));
        EXPECT_EQ(books[1].m_files.m_audio, Ps({sub + "/01.mp3"}));
        EXPECT_EQ(books[1].m_strOutput, P("Lib/Book/" + GetParam().m_strName + ".m4b"));
    }
    EXPECT_EQ(books[0].m_strOutput, P("Lib/Book.m4b"));
}

INSTANTIATE_TEST_SUITE_P(Library, LibrarySubFolder,
                         ::testing::Values(sSubFolder{"CD1", true}, sSubFolder{"cd 2", true},
                                           sSubFolder{"Disc 03", true}, sSubFolder{"Disk4", true},
                                           sSubFolder{"Part 1", true}, sSubFolder{"Extras", false},
                                           sSubFolder{"Part One", false}),
                         [](const testing::TestParamInfo<sSubFolder>& info) {
                             std::string name;
                             for (char c : info.param.m_strName)
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

TEST_F(LibraryTest, PartsAloneMakeABookBooksComeInNaturalOrderAndWrittenBooksAreNoAudio)
{
    MakeFiles({"Lib/Saga 10/a.mp3", "Lib/Saga 2/CD2/a.mp3", "Lib/Saga 2/CD1/a.mp3", "Lib/Saga 2/Scans/front.jpg",
               "Lib/Author/Novel/a.mp3", "Lib/Author/Novel.m4b", "Lib/Author/Novel (partial).m4b",
               "Lib/Author/Novel (partial 2).m4b", "Lib/Author/.Novel.m4b.tavlin-partial-12.m4b",
               "Lib/Notes/readme.txt"});
    const std::vector<sLibraryBook> books = FindLibraryBooks({P("Lib")});
    ASSERT_EQ(Names(books), (Paths{u"Author/Novel", u"Saga 2", u"Saga 10"}));
    EXPECT_EQ(Sorted(books[1].m_files.m_audio), Ps({"Lib/Saga 2/CD1/a.mp3", "Lib/Saga 2/CD2/a.mp3"}));
    EXPECT_EQ(books[1].m_files.m_images, Ps({"Lib/Saga 2/Scans/front.jpg"}));
    EXPECT_EQ(books[1].m_strOutput, P("Lib/Saga 2.m4b"));

    // Under an output folder, at the path below the root; that folder and
    // the books in it are not searched.
    MakeFiles({"Lib/out/Author/Novel.m4b"});
    const std::vector<sLibraryBook> under = FindLibraryBooks({P("Lib")}, P("Lib/out"));
    ASSERT_EQ(Names(under), Names(books));
    EXPECT_EQ(under[0].m_strOutput, P("Lib/out/Author/Novel.m4b"));

    // A root that is a book folder is a book named after it.
    const std::vector<sLibraryBook> root = FindLibraryBooks({P("Lib/Saga 10")}, P("out"));
    ASSERT_EQ(Names(root), (Paths{u"Saga 10"}));
    EXPECT_EQ(root[0].m_strOutput, P("out/Saga 10.m4b"));
}

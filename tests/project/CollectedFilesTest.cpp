#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "project/BatchNames.h"
#include "project/CollectedFiles.h"
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

Paths Sorted(Paths paths)
{
    SortPathsOrdinal(paths);
    return paths;
}

}  // namespace

TEST(CollectedFiles, ClassifiesByLastExtensionWithoutCase)
{
    EXPECT_EQ(ClassifyPath(u"/a/Cover.JPG"), eFileKind::Image);
    EXPECT_EQ(ClassifyPath(u"/a/x.Bmp"), eFileKind::Image);
    EXPECT_EQ(ClassifyPath(u"/a/x.gif"), eFileKind::Image);
    EXPECT_EQ(ClassifyPath(u"/a/x.png"), eFileKind::Image);
    EXPECT_EQ(ClassifyPath(u"/a/cover.jpeg"), eFileKind::Image);
    EXPECT_EQ(ClassifyPath(u"/a/COVER.JPEG"), eFileKind::Image);
    EXPECT_EQ(ClassifyPath(u"/a/a.b.mp3"), eFileKind::Audio);
    EXPECT_EQ(ClassifyPath(u"/a/x.WMA"), eFileKind::Audio);
    EXPECT_EQ(ClassifyPath(u"/a/x.wav"), eFileKind::Audio);
    for (const char16_t* name : {u"x.m4a", u"x.M4B", u"x.aac", u"x.mp4", u"x.Flac", u"x.ogg", u"x.oga", u"x.opus",
                                 u"x.mka", u"x.webm", u"x.WEBA", u"x.aif", u"x.AIFF", u"x.wv", u"x.ape", u"x.ac3",
                                 u"x.mp2"})
        EXPECT_EQ(ClassifyPath(name), eFileKind::Audio) << ToUtf8(name);
    EXPECT_EQ(ClassifyPath(u"/a/Book.CUE"), eFileKind::ChapterSheet);
    EXPECT_EQ(ClassifyPath(u"/a/mp3"), eFileKind::Other);        // no dot: no extension
    EXPECT_EQ(ClassifyPath(u"/a.mp3/readme"), eFileKind::Other);  // the folder's dot does not count
    EXPECT_EQ(ClassifyPath(u"/a/x.mp3.txt"), eFileKind::Other);
    EXPECT_EQ(ClassifyPath(u"/a/x.tiff"), eFileKind::Other);
}

TEST(CollectedFiles, CollectPathSortsFilesIntoTheirLists)
{
    TempDir dir;
    for (const char* name : {"01.mp3", "Front.png", "notes.txt"})
        WriteText(dir / name, "x");
    sCollectedFiles files;
    for (const char* name : {"01.mp3", "Front.png", "notes.txt", "missing.mp3"})
        files.CollectPath(U(dir / name));
    EXPECT_EQ(files.m_audio, (Paths{U(dir / "01.mp3")}));
    EXPECT_EQ(files.m_images, (Paths{U(dir / "Front.png")}));
}

TEST(CollectedFiles, OnlyRegularFilesAreCollected)
{
    // A FIFO named like audio or a picture would block the first reader.
    TempDir dir;
    fs::create_directories(dir / "book");
    ASSERT_EQ(::mkfifo((dir / "book/pipe.mp3").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((dir / "book/pipe.jpg").c_str(), 0600), 0);
    WriteText(dir / "book/01.mp3", "x");
    fs::create_symlink(dir / "book/01.mp3", dir / "book/linked.wav");
    fs::create_symlink(dir / "book/pipe.mp3", dir / "book/to-pipe.wma");
    fs::create_symlink(dir / "gone.mp3", dir / "book/broken.mp3");
    fs::create_symlink("/dev/null", dir / "book/device.png");

    sCollectedFiles scanned;
    scanned.CollectPath(U(dir / "book"));
    const std::u16string root = U(dir / "book");
    EXPECT_EQ(Sorted(scanned.m_audio), Sorted({root + u"/01.mp3", root + u"/linked.wav"}));
    EXPECT_TRUE(scanned.m_images.empty());

    sCollectedFiles named;
    for (const char* name : {"pipe.mp3", "pipe.jpg", "to-pipe.wma", "broken.mp3", "device.png", "linked.wav"})
        named.CollectPath(U(dir / "book" / name));
    EXPECT_EQ(named.m_audio, (Paths{root + u"/linked.wav"}));
    EXPECT_TRUE(named.m_images.empty());
}

TEST(CollectedFiles, ScanFolderDescendsIntoSubFoldersAndHiddenEntries)
{
    TempDir dir;
    fs::create_directories(dir / "book/CD1");
    fs::create_directories(dir / "book/.hidden");
    WriteText(dir / "book/CD1/01.mp3", "x");
    WriteText(dir / "book/.hidden/02.wav", "x");
    WriteText(dir / "book/.secret.wma", "x");
    WriteText(dir / "book/Cover.JPG", "x");
    WriteText(dir / "book/notes.txt", "x");
    WriteText(dir / "book/noext", "x");

    sCollectedFiles files;
    files.CollectPath(U(dir / "book"));
    const std::u16string root = U(dir / "book");
    EXPECT_EQ(Sorted(files.m_audio), Sorted({root + u"/.hidden/02.wav", root + u"/.secret.wma", root + u"/CD1/01.mp3"}));
    EXPECT_EQ(files.m_images, (Paths{root + u"/Cover.JPG"}));
}

TEST(CollectedFiles, MissingOrUnreadableFoldersContributeNothing)
{
    TempDir dir;
    sCollectedFiles files;
    files.ScanFolder(U(dir / "missing"));
    EXPECT_TRUE(files.IsEmpty());

    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind the superuser";
    fs::create_directories(dir / "locked");
    WriteText(dir / "locked/01.mp3", "x");
    fs::permissions(dir / "locked", fs::perms::none);
    files.ScanFolder(U(dir / "locked"));
    EXPECT_TRUE(files.IsEmpty());
}

TEST(CollectedFiles, LinkLoopsEndAndLinkedFoldersAreScanned)
{
    TempDir dir;
    fs::create_directories(dir / "book/part/deeper");
    fs::create_directories(dir / "other");
    WriteText(dir / "book/part/deeper/01.mp3", "x");
    WriteText(dir / "other/02.mp3", "x");
    fs::create_directory_symlink(dir / "book", dir / "book/part/deeper/back-to-top");
    fs::create_directory_symlink("..", dir / "book/part/up");
    fs::create_directory_symlink(dir / "other", dir / "book/other-link");

    sCollectedFiles files;
    files.ScanFolder(U(dir / "book"));
    const std::u16string root = U(dir / "book");
    EXPECT_EQ(Sorted(files.m_audio), Sorted({root + u"/other-link/02.mp3", root + u"/part/deeper/01.mp3"}));
}

TEST(CollectedFiles, LoopThroughTheScannedRootItselfEnds)
{
    TempDir dir;
    fs::create_directories(dir / "a");
    WriteText(dir / "a/01.mp3", "x");
    fs::create_directory_symlink(dir / "a", dir / "a/self");
    fs::create_directory_symlink(dir / "a", dir / "entry");

    sCollectedFiles files;
    files.CollectPath(U(dir / "entry"));
    EXPECT_EQ(files.m_audio, (Paths{U(dir / "entry") + u"/01.mp3"}));
}

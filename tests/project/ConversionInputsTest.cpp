#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

#include "project/BookProject.h"
#include "project/ConversionInputs.h"
#include "FifoReader.h"
#include "tests/support/TestSupport.h"
#include "base/Text.h"

namespace fs = std::filesystem;
using testsupport::TempDir;
using testsupport::WriteAll;
using testsupport::WriteText;

namespace {

TagReader TrackNames(std::u16string first)
{
    // The first file has a track name, every other file none.
    return [first](const std::u16string& path) {
        sTagInfo tags;
        if (path.ends_with(u"/01.mp3"))
            tags.m_strTrackName = first;
        tags.m_details[eDetail::Artist] = u"From Tag";
        tags.m_details[eDetail::Album] = u"Tag Album";
        return tags;
    };
}

}  // namespace

TEST(ConversionInputs, TitlesFollowTheChapterSourceAndSizesAreRead)
{
    TempDir dir;
    WriteText(dir / "01.mp3", std::string(1234, 'x'));
    const sItem first(FromPath(dir / "01.mp3"), u"01.mp3", TrackNames(u"Prologue"));
    const sItem second(FromPath(dir / "gone.mp3"), u"gone.mp3", TrackNames(u""));

    std::vector<sInputFile> files = BuildInputFiles(std::vector<const sItem*>{&first, &second}, CHAPTERS_FROM_TAG);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].m_strPath, FromPath(dir / "01.mp3"));
    EXPECT_EQ(files[0].m_strTitle, u"Prologue");
    EXPECT_EQ(files[0].m_nSize, 1234u);
    EXPECT_EQ(files[1].m_strTitle, u"gone");  // no track name: the display name
    EXPECT_EQ(files[1].m_nSize, 0u);          // not found

    files = BuildInputFiles(std::vector<const sItem*>{&first, &second}, CHAPTERS_FROM_FILENAME);
    EXPECT_EQ(files[0].m_strTitle, u"01");
}

TEST(ConversionInputs, SizeKeepsTheLow32BitsOfLargeFiles)
{
    TempDir dir;
    const fs::path big = dir / "big.wav";
    WriteText(big, "x");
    std::error_code error;
    fs::resize_file(big, (uint64_t{1} << 32) + 7, error);  // sparse: takes no disk space
    if (error)
        GTEST_SKIP() << "this file system cannot hold a 4 GiB file: " << error.message();
    const sItem row(FromPath(big), u"big.wav", TrackNames(u""));
    const std::vector<sInputFile> files = BuildInputFiles(std::vector<const sItem*>{&row}, CHAPTERS_FROM_TAG);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].m_nSize, 7u);
}

TEST(ConversionInputs, MetadataTakesAllSixFieldsAlsoWhenEmpty)
{
    sTagInfo row0;
    row0.m_strTrackName = u"First Track";
    row0.m_details[eDetail::Artist] = u"P";
    row0.m_details[eDetail::Writer] = u"W";
    row0.m_details[eDetail::Album] = u"A";
    row0.m_details[eDetail::Year] = u"Y";
    row0.m_details[eDetail::Genre] = u"G";
    row0.m_details[eDetail::Comment] = u"C";
    const sBookDetails details{u"Artist", u"", u"Album", u"", u"Genre", u""};
    const sTagInfo metadata = BuildMetadata(row0, details);
    EXPECT_EQ(metadata.m_details[eDetail::Artist], u"Artist");
    EXPECT_EQ(metadata.m_details[eDetail::Writer], u"");
    EXPECT_EQ(metadata.m_details[eDetail::Album], u"Album");
    EXPECT_EQ(metadata.m_details[eDetail::Year], u"");
    EXPECT_EQ(metadata.m_details[eDetail::Genre], u"Genre");
    EXPECT_EQ(metadata.m_details[eDetail::Comment], u"");
    EXPECT_EQ(metadata.m_strTrackName, u"First Track");
}

TEST(ConversionInputs, CoverBytesAreReadWholeOrNotAtAll)
{
    TempDir dir;
    std::vector<uint8_t> bytes(70000);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
    bytes[3] = '\r';
    bytes[4] = '\n';
    WriteAll(dir / "cover.png", bytes);

    const sCoverData cover = ReadCoverBytes(FromPath(dir / "cover.png"));
    EXPECT_EQ(cover.m_data, bytes);
    EXPECT_EQ(cover.Size(), 70000u);
    EXPECT_EQ(ReadCoverBytes(u"").Size(), 0u);
    EXPECT_EQ(ReadCoverBytes(FromPath(dir / "missing.png")).Size(), 0u);
    EXPECT_EQ(ReadCoverBytes(FromPath(dir.Path())).Size(), 0u);  // a folder
    WriteAll(dir / "empty.png", {});
    EXPECT_EQ(ReadCoverBytes(FromPath(dir / "empty.png")).Size(), 0u);
}

TEST(ConversionInputs, CoverLargerThanTheLimitIsNotRead)
{
    // Sparse files: no disk space is used for the zeros.
    TempDir dir;
    {
        std::ofstream(dir / "limit.png").put('x');
        std::ofstream(dir / "over.png").put('x');
    }
    fs::resize_file(dir / "limit.png", MAX_COVER_BYTES);
    fs::resize_file(dir / "over.png", MAX_COVER_BYTES + 1);
    EXPECT_FALSE(IsCoverTooLarge(FromPath(dir / "limit.png")));
    EXPECT_EQ(ReadCoverBytes(FromPath(dir / "limit.png")).Size(), MAX_COVER_BYTES);
    EXPECT_TRUE(IsCoverTooLarge(FromPath(dir / "over.png")));
    EXPECT_EQ(ReadCoverBytes(FromPath(dir / "over.png")).Size(), 0u);
    EXPECT_FALSE(IsCoverTooLarge(FromPath(dir.Path())));
}

TEST(ConversionInputs, CoverNamedByAFifoIsEmptyAtOnce)
{
    TempDir dir;
    const fs::path fifo = dir / "cover.png";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    sCoverData cover;
    cover.m_data = {1, 2, 3};
    EXPECT_TRUE(fifotest::ReturnsWithoutWriter(fifo, [&] { cover = ReadCoverBytes(FromPath(fifo)); }));
    EXPECT_EQ(cover.Size(), 0u);
}

TEST(ConversionInputs, ProjectBuildsEverythingFromRowsDetailsAndCover)
{
    TempDir dir;
    fs::create_directories(dir / "Book");
    WriteText(dir / "Book/02.mp3", "22");
    WriteText(dir / "Book/01.mp3", "1");
    WriteAll(dir / "Book/folder.jpg", {0xFF, 0xD8, 0xFF});

    CBookProject project(TrackNames(u"Prologue"));
    project.Drop({FromPath(dir / "Book")});
    project.Details()[eDetail::Writer] = u"Typed Writer";
    project.Details()[eDetail::Album] = u"";

    const sConversionContext inputs = project.BuildConversion(u"/out/Book.m4b", {});
    ASSERT_EQ(inputs.m_files.size(), 2u);
    EXPECT_EQ(inputs.m_files[0].m_strTitle, u"Prologue");
    EXPECT_EQ(inputs.m_files[1].m_strTitle, u"02");
    EXPECT_EQ(inputs.m_files[1].m_nSize, 2u);
    EXPECT_EQ(inputs.m_metadata.m_details[eDetail::Artist], u"From Tag");  // prefilled, untouched
    EXPECT_EQ(inputs.m_metadata.m_details[eDetail::Writer], u"Typed Writer");
    EXPECT_EQ(inputs.m_metadata.m_details[eDetail::Album], u"");
    EXPECT_EQ(inputs.m_metadata.m_strTrackName, u"Prologue");
    EXPECT_EQ(inputs.m_cover.m_data, (std::vector<uint8_t>{0xFF, 0xD8, 0xFF}));

    project.Cover().SetText(u"");
    EXPECT_EQ(project.BuildConversion(u"/out/Book.m4b", {}).m_cover.Size(), 0u);
}

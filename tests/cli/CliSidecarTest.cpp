// tavlin-cli with what lies beside the audio: the details of a metadata.opf
// between the first file's tags and the command line, and a cover that is
// only inside the MP3.
#include <gtest/gtest.h>

#include <filesystem>

#include "CliSupport.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;
using namespace clitest;
using testsupport::TempDir;

namespace {

}  // namespace

TEST(CliDetailsBesideTheAudio, TagsThenMetadataOpfThenTheCommandLine)
{
    TempDir dir;
    fs::create_directories(dir / "Book");
    MakeTaggedMp3(dir / "Book/01.mp3", 1.0, {{"artist", "Tag Artist"}, {"album", "Tag Album"}, {"genre", "Tag Genre"}});
    testsupport::WriteText(dir / "Book/metadata.opf", R"(<?xml version="1.0" encoding="utf-8"?>
<package xmlns="http://www.idpf.org/2007/opf" version="2.0">
  <metadata xmlns:dc="http://purl.org/dc/elements/1.1/" xmlns:opf="http://www.idpf.org/2007/opf">
    <dc:title>Opf Title</dc:title>
    <dc:creator opf:role="aut">Opf Author</dc:creator>
  </metadata>
</package>
)");
    const sCliResult result = RunCli(dir.Path(), {"-q", "--album", "Cli Album", "Book"});
    ASSERT_EQ(result.m_nExitCode, 0) << result.m_strErr;
    const auto probe = Probe(dir / "Book.m4b");
    EXPECT_EQ(Value(probe, "format.tags.album"), "Cli Album");
    EXPECT_EQ(Value(probe, "format.tags.artist"), "Opf Author");
    EXPECT_EQ(Value(probe, "format.tags.album_artist"), "Opf Author");
    EXPECT_EQ(Value(probe, "format.tags.genre"), "Tag Genre");
}

TEST(CliEmbeddedCover, AnMp3WhoseOnlyCoverIsInsideKeepsIt)
{
    TempDir dir;
    fs::create_directories(dir / "Book");
    MakeTaggedMp3(dir / "tone.mp3", 1.0, {});
    MakePicture(dir / "pic.png", "red");
    testsupport::EmbedCover(dir / "tone.mp3", dir / "pic.png", dir / "Book/book.mp3");

    const sCliResult plan = RunCli(dir.Path(), {"--dry-run", "Book"});
    ASSERT_EQ(plan.m_nExitCode, 0) << plan.m_strErr;
    EXPECT_NE(plan.m_strOut.find("Cover: " + (dir / "Book/book.mp3").string() + " (embedded)\n"), std::string::npos)
        << plan.m_strOut;

    const sCliResult result = RunCli(dir.Path(), {"-q", "Book"});
    ASSERT_EQ(result.m_nExitCode, 0) << result.m_strErr;
    EXPECT_EQ(ExtractCover(dir / "Book.m4b", dir.Path()), testsupport::ReadAll(dir / "pic.png"));
}

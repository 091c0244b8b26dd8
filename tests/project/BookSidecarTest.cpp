// Details from the files beside the audio: metadata.opf in both of its forms,
// and a broken one beside the text files, through a real folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/Text.h"
#include "project/BookProject.h"
#include "project/BookSidecar.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;
using testsupport::TempDir;
using testsupport::WriteText;

namespace {

struct sOpfForm {
    const char* m_name;
    std::string m_opf;
    std::u16string m_subtitle;  // only EPUB 3 can state one
};

const sOpfForm EPUB2{"Epub2", R"(<?xml version='1.0' encoding='utf-8'?>
<package xmlns="http://www.idpf.org/2007/opf" unique-identifier="uuid_id" version="2.0">
  <metadata xmlns:dc="http://purl.org/dc/elements/1.1/" xmlns:opf="http://www.idpf.org/2007/opf">
    <dc:title>The Long
      Road</dc:title>
    <dc:creator opf:file-as="Roe, Jane" opf:role="aut">Jane Roe</dc:creator>
    <dc:creator opf:role="nrt">John Doe</dc:creator>
    <dc:creator opf:role="aut">Ann Smith</dc:creator>
    <dc:contributor opf:role="bkp">calibre (6.0)</dc:contributor>
    <dc:date opf:event="modification">2020-01-01</dc:date>
    <dc:date>2015-03-01T00:00:00+00:00</dc:date>
    <dc:description>&lt;div&gt;&lt;p&gt;One &amp;amp; &lt;b&gt;two&lt;/b&gt;.&lt;/p&gt;
&lt;p&gt;Three&lt;br/&gt;four&amp;#8230;&lt;/p&gt;&lt;/div&gt;</dc:description>
    <dc:publisher>Pub House</dc:publisher>
    <dc:language>en</dc:language>
    <meta name="calibre:series" content="The Saga"/>
    <meta name="calibre:series_index" content="2.50"/>
  </metadata>
  <guide><reference type="cover" title="Cover" href="cover.jpg"/></guide>
</package>
)", u""};

const sOpfForm EPUB3{"Epub3", R"(<?xml version="1.0" encoding="UTF-8"?>
<package xmlns="http://www.idpf.org/2007/opf" version="3.0" unique-identifier="id">
  <metadata xmlns:dc="http://purl.org/dc/elements/1.1/">
    <dc:title id="sub">Part Two</dc:title>
    <meta refines="#sub" property="title-type">subtitle</meta>
    <dc:title id="main">The Long Road</dc:title>
    <meta refines="#main" property="title-type">main</meta>
    <dc:creator id="c1">Jane Roe</dc:creator>
    <dc:creator id="c2">John Doe</dc:creator>
    <meta refines="#c2" property="role" scheme="marc:relators">nrt</meta>
    <dc:creator id="c3">Ann Smith</dc:creator>
    <meta refines="#c3" property="role" scheme="marc:relators">aut</meta>
    <meta property="belongs-to-collection" id="set">Complete Works</meta>
    <meta refines="#set" property="collection-type">set</meta>
    <meta property="belongs-to-collection" id="saga">The Saga</meta>
    <meta refines="#saga" property="collection-type">series</meta>
    <meta refines="#saga" property="group-position">2.5</meta>
    <dc:date>2015-03-01</dc:date>
    <meta property="dcterms:modified">2020-01-01T00:00:00Z</meta>
    <dc:description>One &amp; two.

Three
four&#8230;</dc:description>
    <dc:publisher>Pub House</dc:publisher>
    <dc:language>en</dc:language>
  </metadata>
</package>
)", u"Part Two"};

class OpfForms : public ::testing::TestWithParam<sOpfForm> {};

}  // namespace

// The book's metadata.opf lies in its folder, the audio in a part folder.
TEST_P(OpfForms, GiveTheBooksDetails)
{
    TempDir dir;
    fs::create_directories(dir / "Book/CD 1");
    WriteText(dir / "Book/metadata.opf", GetParam().m_opf);
    const sSidecarDetails read = ReadSidecarDetails(FromPath(dir / "Book/CD 1/01.mp3"), {});

    sBookDetails expected;
    expected[eDetail::Album] = u"The Long Road";
    expected[eDetail::Subtitle] = GetParam().m_subtitle;
    expected[eDetail::Artist] = u"Jane Roe, Ann Smith";
    expected[eDetail::AlbumArtist] = u"Jane Roe, Ann Smith";
    expected[eDetail::Narrator] = u"John Doe";
    expected[eDetail::Series] = u"The Saga";
    expected[eDetail::SeriesPart] = u"2.5";
    expected[eDetail::Description] = u"One & two.\n\nThree\nfour\u2026";
    expected[eDetail::Publisher] = u"Pub House";
    expected[eDetail::Language] = u"en";
    expected[eDetail::Year] = u"2015";
    EXPECT_EQ(read.m_details, expected);
    EXPECT_TRUE(read.m_notices.empty());
}

INSTANTIATE_TEST_SUITE_P(BookSidecar, OpfForms, ::testing::Values(EPUB2, EPUB3),
                         [](const auto& info) { return std::string(info.param.m_name); });

// A broken metadata.opf and a text file too large to be one are named; the
// text files of the part folder and the first file's tags still give theirs.
TEST(BookSidecar, BrokenFilesAreNoticedAndTheOthersStillApply)
{
    TempDir dir;
    fs::create_directories(dir / "Book/CD1");
    WriteText(dir / "Book/CD1/01.mp3", "x");
    WriteText(dir / "Book/metadata.opf", "<package>\n<metadata><dc:title>Lost</dc:title>\n<dc:creator></metadata>\n");
    WriteText(dir / "Book/reader.txt", std::string(MAX_SIDECAR_BYTES + 1, 'a'));
    WriteText(dir / "Book/CD1/desc.txt", "\xEF\xBB\xBFLine one\r\nLine two\r\n");
    WriteText(dir / "Book/CD1/Narrator.TXT", "Jane Roe\nJohn Doe\n");
    CBookProject project([](const std::u16string&) {
        sTagInfo tags;
        tags.m_details[eDetail::Album] = u"Tag Album";
        tags.m_details[eDetail::Narrator] = u"Tag Narrator";
        return tags;
    });

    project.Drop({FromPath(dir / "Book")});
    EXPECT_EQ(project.Details()[eDetail::Album], u"Tag Album");
    EXPECT_EQ(project.Details()[eDetail::Narrator], u"Jane Roe, John Doe");
    EXPECT_EQ(project.Details()[eDetail::Description], u"Line one\nLine two");
    EXPECT_EQ(project.ChapterNotices(),
              (std::vector<std::u16string>{
                  FromPath(dir / "Book/metadata.opf") + u", line 3: mismatched tag; its details are not used",
                  FromPath(dir / "Book/reader.txt") + u": is larger than 1 MiB; it is not read"}));
    EXPECT_TRUE(project.ChapterProblems().empty());

    project.New();
    EXPECT_TRUE(project.ChapterNotices().empty());
}

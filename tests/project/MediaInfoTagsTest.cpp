// Tags read through the real MediaInfo library from files whose tags the
// ffmpeg tool writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <dlfcn.h>
#include <filesystem>
#include <sys/stat.h>

#include "FifoReader.h"

#include "project/MediaInfoLibrary.h"
#include "project/TagReader.h"
#include "tests/support/TestSupport.h"
#include "base/Text.h"

namespace fs = std::filesystem;
using testsupport::GenerateTone;
using testsupport::TempDir;

namespace {

std::vector<std::string> TagArguments()
{
    return {"-metadata", "title=Chapter: One",   "-metadata", "artist=Jane Reader",
            "-metadata", "album=Long Book",      "-metadata", "genre=Speech",
            "-metadata", "date=2004",            "-metadata", "comment=Read aloud",
            "-metadata", "publisher=House \xc3\xa9"};  // "House é"
}

std::vector<std::string> With(std::vector<std::string> codec)
{
    std::vector<std::string> args = TagArguments();
    args.insert(args.end(), codec.begin(), codec.end());
    return args;
}

// The file that the dynamic loader finds for the library's usual name.
std::string InstalledLibraryFile()
{
    void* library = dlopen("libmediainfo.so.0", RTLD_LAZY);
    if (!library)
        return {};
    Dl_info info{};
    void* symbol = dlsym(library, "MediaInfo_New");
    std::string file = symbol && dladdr(symbol, &info) && info.dli_fname ? info.dli_fname : "";
    dlclose(library);
    return file;
}

std::string Dump(const std::u16string& report)
{
    return "report:\n" + ToUtf8(report);
}

class MediaInfoTags : public ::testing::Test {
protected:
    std::u16string Make(const std::string& name, const std::vector<std::string>& args)
    {
        const fs::path file = m_dir / name;
        GenerateTone(file, 0.5, 44100, 1, 440.0, args);
        return FromPath(file);
    }
    TempDir m_dir;
    CMediaInfoLibrary m_library{"libmediainfo.so.0"};
};

}  // namespace

TEST_F(MediaInfoTags, Id3v2Mp3)
{
    const std::u16string path = Make("tagged.mp3", With({"-c:a", "libmp3lame", "-id3v2_version", "3"}));
    const sTagInfo tags = ReadTags(path, m_library);
    const std::string report = Dump(m_library.Report(path));
    EXPECT_EQ(tags.m_strTrackName, u"Chapter: One") << report;
    EXPECT_EQ(tags.m_details[eDetail::Artist], u"Jane Reader") << report;
    EXPECT_EQ(tags.m_details[eDetail::Album], u"Long Book") << report;
    EXPECT_EQ(tags.m_details[eDetail::Genre], u"Speech") << report;
    EXPECT_EQ(tags.m_details[eDetail::Year], u"2004") << report;
    EXPECT_EQ(tags.m_details[eDetail::Writer], u"House \u00e9") << report;
    // The tool stores the comment so that the report labels it "comment";
    // the case-sensitive search for "Comment" does not find it.
    EXPECT_EQ(tags.m_details[eDetail::Comment], u"") << report;
}

TEST_F(MediaInfoTags, WindowsMediaAudio)
{
    const std::u16string path = Make("tagged.wma", With({"-c:a", "wmav2"}));
    const sTagInfo tags = ReadTags(path, m_library);
    const std::string report = Dump(m_library.Report(path));
    EXPECT_EQ(tags.m_strTrackName, u"Chapter: One") << report;
    EXPECT_EQ(tags.m_details[eDetail::Artist], u"Jane Reader") << report;
    EXPECT_EQ(tags.m_details[eDetail::Album], u"Long Book") << report;
    EXPECT_EQ(tags.m_details[eDetail::Genre], u"Speech") << report;
    EXPECT_EQ(tags.m_details[eDetail::Writer], u"House \u00e9") << report;
    // The comment is reported as "Description" and the date under "date".
    EXPECT_EQ(tags.m_details[eDetail::Comment], u"") << report;
    EXPECT_EQ(tags.m_details[eDetail::Year], u"") << report;
}

TEST_F(MediaInfoTags, WaveInfoChunk)
{
    const std::u16string path = Make("tagged.wav", TagArguments());
    const sTagInfo tags = ReadTags(path, m_library);
    const std::string report = Dump(m_library.Report(path));
    EXPECT_EQ(tags.m_strTrackName, u"Chapter: One") << report;
    EXPECT_EQ(tags.m_details[eDetail::Genre], u"Speech") << report;
    EXPECT_EQ(tags.m_details[eDetail::Year], u"2004") << report;
    EXPECT_EQ(tags.m_details[eDetail::Comment], u"Read aloud") << report;
    // A wave file's artist is reported as "Director" and its album as
    // "Original source form/Name": neither label is searched.
    EXPECT_EQ(tags.m_details[eDetail::Artist], u"") << report;
    EXPECT_EQ(tags.m_details[eDetail::Album], u"") << report;
}

TEST_F(MediaInfoTags, FileWithoutTagsOrUnreadableGivesEmptyRecord)
{
    const std::u16string plain = Make("plain.mp3", {"-c:a", "libmp3lame"});
    const sTagInfo tags = ReadTags(plain, m_library);
    EXPECT_EQ(tags.m_strTrackName, u"");
    EXPECT_EQ(tags.m_details[eDetail::Album], u"");
    EXPECT_EQ(tags.m_details[eDetail::Artist], u"");
    EXPECT_FALSE(m_library.Report(plain).empty());  // the library was there

    const sTagInfo missing = ReadTags(FromPath(m_dir / "missing.mp3"), m_library);
    EXPECT_EQ(missing.m_strTrackName, u"");
    EXPECT_EQ(missing.m_details[eDetail::Album], u"");
}

TEST_F(MediaInfoTags, AlbumArtistAndTrackNumberAreNeitherAlbumNorTrackName)
{
    // The report labels them "Album/Performer" and "Track name/Position".
    const std::u16string path = Make("ripped.mp3", {"-metadata", "album_artist=Band", "-metadata", "track=3",
                                                    "-c:a", "libmp3lame", "-id3v2_version", "3"});
    const sTagInfo tags = ReadTags(path, m_library);
    const std::string report = Dump(m_library.Report(path));
    ASSERT_NE(report.find("Album/Performer"), std::string::npos) << report;
    EXPECT_EQ(tags.m_details[eDetail::Album], u"") << report;
    EXPECT_EQ(tags.m_strTrackName, u"") << report;
}

TEST_F(MediaInfoTags, FolderNamedLikeALabelDoesNotLeakIntoTags)
{
    fs::create_directories(m_dir / "Album 1");
    const std::u16string path = Make("Album 1/plain.mp3", {"-c:a", "libmp3lame"});
    EXPECT_EQ(ReadTags(path, m_library).m_details[eDetail::Album], u"");
}

TEST_F(MediaInfoTags, NonAsciiPathIsOpenedUnderAnyLocale)
{
    fs::create_directories(m_dir / "H\xc3\xb6rbuch");
    const std::u16string path = Make("H\xc3\xb6rbuch/\xe7\xab\xa0.mp3", With({"-c:a", "libmp3lame"}));
    const std::string saved = std::setlocale(LC_CTYPE, nullptr);
    for (const char* locale : {"C", "C.UTF-8"}) {
        if (!std::setlocale(LC_CTYPE, locale))
            continue;
        EXPECT_EQ(ReadTags(path, m_library).m_details[eDetail::Artist], u"Jane Reader") << locale;
    }
    std::setlocale(LC_CTYPE, saved.c_str());
}

TEST_F(MediaInfoTags, FifoGivesEmptyRecordWithoutWaitingForAWriter)
{
    // The ASCII name is handed to the library; the non-ASCII one under the
    // "C" locale goes through the program's own descriptor.
    const std::string saved = std::setlocale(LC_CTYPE, nullptr);
    ASSERT_TRUE(std::setlocale(LC_CTYPE, "C"));
    for (const char* name : {"pipe.mp3", "\xe7\xab\xa0.mp3"}) {
        const fs::path fifo = m_dir / name;
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        std::u16string report = u"unset";
        EXPECT_TRUE(fifotest::ReturnsWithoutWriter(fifo, [&] { report = m_library.Report(FromPath(fifo)); })) << name;
        EXPECT_EQ(report, u"") << name;
    }
    std::setlocale(LC_CTYPE, saved.c_str());
}

TEST_F(MediaInfoTags, MissingLibraryGivesEmptyRecordAndIsRetriedLater)
{
    const std::u16string path = Make("tagged.mp3", With({"-c:a", "libmp3lame"}));
    const fs::path stand_in = m_dir / "libstand-in.so";
    CMediaInfoLibrary library(stand_in.string());

    const sTagInfo none = ReadTags(path, library);
    EXPECT_FALSE(library.IsLoaded());
    EXPECT_EQ(none.m_strTrackName, u"");
    EXPECT_EQ(none.m_details[eDetail::Artist], u"");
    EXPECT_EQ(none.m_details[eDetail::Album], u"");

    // The library appears under that name; the next read loads it.
    const std::string real = InstalledLibraryFile();
    ASSERT_FALSE(real.empty()) << "MediaInfo is not installed";
    fs::create_symlink(real, stand_in);
    EXPECT_EQ(ReadTags(path, library).m_details[eDetail::Artist], u"Jane Reader");
    EXPECT_TRUE(library.IsLoaded());
}

namespace {

// The details that audiobook taggers add, as one container carries them:
// tags for the ffmpeg tool, or MP4 items that mutagen adds afterwards as
// other tagging tools write them.
struct sAddedDetails {
    const char* m_file;
    std::vector<std::string> m_ffmpeg;
    std::vector<std::string> m_mp4Items;      // "TYPE=VALUE"; "----:NAME=VALUE" for a freeform item
    std::vector<eDetail> m_notInGeneral;      // reported in the audio section, which is not read
    bool m_bNarratorOnly = false;             // carries the narrator and nothing else
};

void PrintTo(const sAddedDetails& tags, std::ostream* out) { *out << tags.m_file; }

std::u16string AddedValue(eDetail detail)
{
    switch (detail) {
    case eDetail::Narrator: return u"Nora Reader";
    case eDetail::Series: return u"The Long Series";
    case eDetail::SeriesPart: return u"2.5";
    case eDetail::Description: return u"First line\nSecond line";
    case eDetail::Publisher: return u"House \u00e9";
    case eDetail::Language: return u"eng";
    case eDetail::AlbumArtist: return u"Ann Author";
    case eDetail::Subtitle: return u"A Subtitle";
    case eDetail::Copyright: return u"2004 House";
    case eDetail::SortTitle: return u"Long Book, The";
    case eDetail::SortArtist: return u"Reader, Jane";
    default: return {};
    }
}

std::string Added(eDetail detail) { return ToUtf8(AddedValue(detail)); }

std::vector<std::string> Metadata(const std::vector<std::pair<std::string, eDetail>>& keys)
{
    std::vector<std::string> args;
    for (const auto& [key, detail] : keys)
        args.insert(args.end(), {"-metadata", key + "=" + Added(detail)});
    return args;
}

std::vector<std::string> Plus(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

constexpr const char* MUTAGEN_TAG = R"(
import sys
from mutagen.mp4 import MP4, MP4FreeForm
f = MP4(sys.argv[1])
for item in sys.argv[2:]:
    key, value = item.split('=', 1)
    if key.startswith('----:'):
        f['----:com.apple.iTunes:' + key[5:]] = [MP4FreeForm(value.encode())]
    else:
        f[key] = [value]
f.save()
)";

const std::vector<std::pair<std::string, eDetail>> VORBIS_KEYS{
    {"NARRATOR", eDetail::Narrator},   {"SERIES", eDetail::Series},        {"SERIES-PART", eDetail::SeriesPart},
    {"DESCRIPTION", eDetail::Description}, {"PUBLISHER", eDetail::Publisher}, {"LANGUAGE", eDetail::Language},
    {"ALBUMARTIST", eDetail::AlbumArtist}, {"SUBTITLE", eDetail::Subtitle}, {"COPYRIGHT", eDetail::Copyright},
    {"ALBUMSORT", eDetail::SortTitle}, {"ARTISTSORT", eDetail::SortArtist}};

const sAddedDetails ADDED_DETAILS[] = {
    // ID3: the tool writes TXXX frames for the names it has no frame for,
    // and TPUB, TPE2, TCOP, TSOA, TSOP and TLAN for the ones it has.
    {"added.mp3",
     Plus(Metadata({{"NARRATOR", eDetail::Narrator}, {"SERIES", eDetail::Series},
                    {"SERIES-PART", eDetail::SeriesPart}, {"DESCRIPTION", eDetail::Description},
                    {"publisher", eDetail::Publisher}, {"language", eDetail::Language},
                    {"album_artist", eDetail::AlbumArtist}, {"TIT3", eDetail::Subtitle},
                    {"copyright", eDetail::Copyright}, {"album-sort", eDetail::SortTitle},
                    {"artist-sort", eDetail::SortArtist}}),
          {"-c:a", "libmp3lame"}),
     {},
     {eDetail::Language}},
    // ID3 frames of the narrator: the conductor frame (TPE3) and the composer's.
    {"conductor.mp3", Plus(Metadata({{"TPE3", eDetail::Narrator}}), {"-c:a", "libmp3lame"}), {}, {}, true},
    {"composer.mp3", Plus(Metadata({{"TCOM", eDetail::Narrator}}), {"-c:a", "libmp3lame"}), {}, {}, true},
    {"added.flac", Plus(Metadata(VORBIS_KEYS), {"-c:a", "flac"}), {}, {eDetail::Language}},
    {"added.ogg", Plus(Metadata(VORBIS_KEYS), {"-c:a", "libvorbis"}), {}, {eDetail::Language}},
    {"added.m4a",
     {"-c:a", "aac"},
     {"\xc2\xa9nrt=" + Added(eDetail::Narrator), "\xc2\xa9mvn=" + Added(eDetail::Series),
      "----:SERIES-PART=" + Added(eDetail::SeriesPart), "ldes=" + Added(eDetail::Description),
      "\xc2\xa9pub=" + Added(eDetail::Publisher), "----:LANGUAGE=" + Added(eDetail::Language),
      "aART=" + Added(eDetail::AlbumArtist), "----:SUBTITLE=" + Added(eDetail::Subtitle),
      "cprt=" + Added(eDetail::Copyright), "soal=" + Added(eDetail::SortTitle),
      "soar=" + Added(eDetail::SortArtist)},
     {}},
};

class MediaInfoAddedDetails : public MediaInfoTags, public ::testing::WithParamInterface<sAddedDetails> {};

}  // namespace

TEST_P(MediaInfoAddedDetails, ArriveThroughTheReportsLabels)
{
    const sAddedDetails& added = GetParam();
    const std::u16string path = Make(added.m_file, added.m_ffmpeg);
    if (!added.m_mp4Items.empty()) {
        const auto tagged = testsupport::Run(
            Plus({"/usr/bin/python3", "-c", MUTAGEN_TAG, ToUtf8(path)}, added.m_mp4Items));
        ASSERT_EQ(tagged.exitCode, 0) << tagged.output;
    }
    const sTagInfo tags = ReadTags(path, m_library);
    const std::string report = Dump(m_library.Report(path));
    for (const sDetailRow& row : DETAIL_ROWS) {
        if (row.InMainWindow() || (added.m_bNarratorOnly && row.m_detail != eDetail::Narrator))
            continue;
        std::u16string expected = AddedValue(row.m_detail);
        // The report turns a line break into " / ".
        if (const size_t at = expected.find(u'\n'); at != std::u16string::npos)
            expected.replace(at, 1, u" / ");
        if (std::ranges::find(added.m_notInGeneral, row.m_detail) != added.m_notInGeneral.end())
            expected.clear();
        EXPECT_EQ(ToUtf8(tags.m_details[row.m_detail]), ToUtf8(expected)) << row.m_key << "\n" << report;
    }
}

INSTANTIATE_TEST_SUITE_P(Containers, MediaInfoAddedDetails, ::testing::ValuesIn(ADDED_DETAILS),
                         [](const ::testing::TestParamInfo<sAddedDetails>& info) {
                             std::string name = info.param.m_file;
                             std::replace(name.begin(), name.end(), '.', '_');
                             return name;
                         });

TEST(MediaInfoLibraryName, EnvironmentOverridesTheDefault)
{
    ::unsetenv("TAVLIN_MEDIAINFO_LIBRARY");
    EXPECT_EQ(DefaultMediaInfoLibraryName(), "libmediainfo.so.0");
    ::setenv("TAVLIN_MEDIAINFO_LIBRARY", "/nonexistent/libnone.so", 1);
    EXPECT_EQ(DefaultMediaInfoLibraryName(), "/nonexistent/libnone.so");
    ::unsetenv("TAVLIN_MEDIAINFO_LIBRARY");
}

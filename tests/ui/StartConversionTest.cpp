// Converting from the window with the real engine: the save dialog, the
// progress dialog, the completion question and the failures.
#include <QApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "project/ConversionInputs.h"
#include "project/Item.h"
#include "ui/ListFiles.h"
#include "ui/MainDlg.h"
#include "ui/ProgressDlg.h"
#include "tests/support/TestSupport.h"
#include "UiFixtures.h"

namespace {

namespace fs = std::filesystem;

QString Q(const fs::path& path) { return QString::fromStdString(path.string()); }

const QString kQuestion = QStringLiteral("Tavlin|Conversion completed.\nDo you want to open AudioBook in your player?");

// Calls `act` with the progress dialog once it is open, then every 50 ms
// while it stays open.
class CProgressWatcher {
public:
    explicit CProgressWatcher(std::function<void(CProgressDlg&)> act) : m_act(std::move(act))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (auto* dialog = dynamic_cast<CProgressDlg*>(QApplication::activeModalWidget())) {
                ++seen;
                m_act(*dialog);
            }
        });
        m_timer.start(50);
    }
    int seen = 0;

private:
    std::function<void(CProgressDlg&)> m_act;
    QTimer m_timer;
};

class StartConversionTest : public ::testing::Test {
protected:
    fs::path MakeBook(double seconds = 0.3)
    {
        const fs::path book = temp / "Book One";
        fs::create_directories(book);
        for (int i = 1; i <= 2; ++i) {
            const std::string name = "0" + std::to_string(i);
            if (seconds < 1)
                MakeMp3(book / (name + ".mp3"), "Part " + name, {"artist=Tag Artist"});
            else
                testsupport::GenerateTone(book / (name + ".wav"), seconds, 44100, 2, 300.0 + i * 100);
        }
        return book;
    }

    std::string Probe(const fs::path& file, const std::string& entries)
    {
        const auto r = testsupport::Run(
            {"ffprobe", "-v", "error", "-show_entries", entries, "-of", "default=nw=1", file.string()});
        return r.exitCode == 0 ? r.output : "ffprobe failed: " + r.output;
    }

    testsupport::TempDir temp;
    CScriptedDialogs dialogs;
};

TEST_F(StartConversionTest, ACompletedConversionWritesTheBookAndAsksAboutThePlayer)
{
    const fs::path book = MakeBook();
    const fs::path output = temp / "Book One.m4b";
    CMainDlg dialog;
    dialog.show();
    dialog.OnDropFiles({Q(book)});
    dialog.DetailField(1010)->setText(QStringLiteral("Typed Artist"));
    dialog.DetailField(1012)->setText(QString());
    dialogs.saveAnswers.push_back(Q(output));
    dialogs.yesNoAnswers.push_back(true);

    CProgressWatcher watcher([](CProgressDlg&) {});
    dialog.StartConversion();

    EXPECT_GT(watcher.seen, 0);
    EXPECT_EQ(dialogs.saveInitialNames, (std::vector<QString>{"Book One.m4b"}));
    EXPECT_EQ(dialogs.saveFolders, (std::vector<QString>{Q(book)}));
    EXPECT_EQ(dialogs.filters.back(), QStringLiteral("m4b Files (*.m4b *.M4B)"));
    EXPECT_EQ(dialogs.saveSuffix, QStringLiteral("m4b"));
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(dialogs.questions, (std::vector<QString>{kQuestion}));
    EXPECT_EQ(dialogs.opened, (std::vector<QString>{Q(output)}));
    EXPECT_EQ(dialog.BookName(), u"");
    ASSERT_TRUE(fs::exists(output));
    const std::string chapters = Probe(output, "chapter_tags=title");
    EXPECT_NE(chapters.find("title=Part 01"), std::string::npos) << chapters;
    EXPECT_NE(chapters.find("title=Part 02"), std::string::npos) << chapters;
    const std::string tags = Probe(output, "format_tags=artist,album");
    EXPECT_NE(tags.find("artist=Typed Artist"), std::string::npos) << tags;
    EXPECT_EQ(tags.find("Tag Artist"), std::string::npos) << tags;

    // The project stays; the next save dialog offers no name.
    EXPECT_EQ(dialog.List().RowCount(), 2);
    dialog.StartConversion();  // cancelled; offered where the last book went
    EXPECT_EQ(dialogs.saveInitialNames.back(), QString());
    EXPECT_EQ(dialogs.saveFolders.back(), Q(temp.Path()));
    EXPECT_EQ(dialogs.questions.size(), 1u);
}

TEST_F(StartConversionTest, AChapterTheBookCannotHoldIsToldWithTheResult)
{
    // An M4B whose chapter track runs past its 3 s of audio.
    const fs::path input = temp / "long.m4b";
    testsupport::GenerateToneWithMetadata(
        input, 3.0, testsupport::FfmetadataChapters({{0, 1000, "A"}, {1000, 4000, "B"}, {4000, 5000, "Past"}}),
        {"-c:a", "aac"});
    CMainDlg dialog;
    dialog.show();
    dialog.OnDropFiles({Q(input)});
    dialogs.saveAnswers.push_back(Q(temp / "book.m4b"));
    dialogs.yesNoAnswers.push_back(false);
    dialog.StartConversion();

    EXPECT_TRUE(dialogs.errors.empty());
    ASSERT_EQ(dialogs.questions.size(), 1u);
    const QString told = QStringLiteral(
        "Tavlin|Chapter \"Past\" (0:00:04.000 into long.m4b) is left out of the book: the file's audio ends at 0:00:0");
    EXPECT_TRUE(dialogs.questions[0].startsWith(told)) << dialogs.questions[0].toStdString();
    EXPECT_TRUE(dialogs.questions[0].endsWith(QStringLiteral(".\n\n") + kQuestion.mid(kQuestion.indexOf(u'|') + 1)))
        << dialogs.questions[0].toStdString();
}

TEST_F(StartConversionTest, ACoverTooLargeForTheBookIsReportedAndLeftOutWhenTheUserAgrees)
{
    const fs::path book = MakeBook();
    const fs::path huge = temp / "huge.png";
    testsupport::WriteText(huge, "x");
    fs::resize_file(huge, MAX_COVER_BYTES + 1);  // sparse
    CMainDlg dialog;
    dialog.show();
    dialog.OnDropFiles({Q(book)});
    dialogs.openFileAnswers.push_back(Q(huge));
    dialog.OnBrowseCover();
    const QString tooLarge = "Tavlin|The cover picture \"" + Q(huge) +
                             "\" is too large (more than 64 MiB).\nDo you want to convert the book without a cover?";

    dialog.StartConversion();  // "No": back to the window before the save dialog
    EXPECT_EQ(dialogs.questions, (std::vector<QString>{tooLarge}));
    EXPECT_EQ(dialogs.saveCalls, 0);

    dialogs.yesNoAnswers = {true, false};
    dialogs.saveAnswers.push_back(Q(temp / "out.m4b"));
    dialog.StartConversion();
    EXPECT_EQ(dialogs.questions, (std::vector<QString>{tooLarge, tooLarge, kQuestion}));
    const std::string streams = Probe(temp / "out.m4b", "stream=codec_type");
    EXPECT_NE(streams.find("codec_type=audio"), std::string::npos) << streams;
    EXPECT_EQ(streams.find("codec_type=video"), std::string::npos) << streams;  // no cover picture
}

// Whether a book of the output's name was there before.
class StartConversionAbortTest : public StartConversionTest, public ::testing::WithParamInterface<bool> {};

TEST_P(StartConversionAbortTest, AbortDuringEncodingReturnsWithoutAQuestion)
{
    const fs::path book = MakeBook(30);
    const fs::path output = temp / "aborted.m4b";
    const bool bookThere = GetParam();
    if (bookThere)
        testsupport::WriteText(output, "an older book");
    CMainDlg dialog;
    dialog.show();
    dialog.OnDropFiles({Q(book)});
    dialogs.saveAnswers.push_back(Q(output));

    bool clicked = false;
    CProgressWatcher watcher([&](CProgressDlg& progress) {
        if (!clicked && progress.Bar().value() > 0 && progress.Button().text() == QStringLiteral("Abort")) {
            clicked = true;
            QTest::mouseClick(&progress.Button(), Qt::LeftButton);
        }
    });
    dialog.StartConversion();
    ASSERT_TRUE(clicked) << "the conversion ended before it could be aborted";
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_EQ(dialog.BookName(), u"Book One");  // unchanged
    // Over a book, that book stays as it was and a message names both.
    const fs::path partial = bookThere ? temp / "aborted (partial).m4b" : output;
    if (bookThere) {
        EXPECT_EQ(testsupport::ReadText(output), "an older book");
        EXPECT_EQ(dialogs.errors, (std::vector<QString>{"Tavlin|The existing book " + Q(output) +
                                                        " was left as it was; the partial book is " + Q(partial) +
                                                        "."}));
    } else {
        EXPECT_TRUE(dialogs.errors.empty());
    }
    EXPECT_EQ(Probe(partial, "format=format_name").find("ffprobe failed"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Output, StartConversionAbortTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("OverABook") : std::string("NewBook");
                         });

TEST_F(StartConversionTest, AnUnreadableFirstFileShowsOneErrorAndNoQuestion)
{
    const fs::path book = temp / "bad";
    fs::create_directories(book);
    testsupport::WriteText(book / "01.mp3", std::string(4096, 'x'));
    MakeMp3(book / "02.mp3");
    CMainDlg dialog;
    dialog.show();
    dialog.OnDropFiles({Q(book)});
    dialogs.saveAnswers.push_back(Q(temp / "bad.m4b"));

    dialog.StartConversion();
    EXPECT_EQ(dialogs.errors, (std::vector<QString>{"Error|Can't read file " + Q(book / "01.mp3")}));
    EXPECT_TRUE(dialogs.questions.empty());
}

TEST_F(StartConversionTest, AnOutputThatCannotBeCreatedIsReported)
{
    const fs::path book = MakeBook();
    testsupport::WriteText(temp / "plain-file", "not a folder");
    const fs::path output = temp / "plain-file" / "out.m4b";
    CMainDlg dialog;
    dialog.show();
    dialog.OnDropFiles({Q(book)});
    dialogs.saveAnswers.push_back(Q(output));

    dialog.StartConversion();
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(dialogs.errors[0].startsWith(QStringLiteral("Error|Couldn't create output file ") + Q(output)))
        << dialogs.errors[0].toStdString();
    EXPECT_TRUE(dialogs.questions.empty());
}

TEST_F(StartConversionTest, AnOutputThatIsAnInputFileIsRefused)
{
    const fs::path book = MakeBook();
    fs::create_symlink(book / "01.mp3", temp / "link.m4b");
    testsupport::WriteText(temp / "cover.m4b", "picture bytes");
    const std::string before = testsupport::ReadText(book / "01.mp3");
    CMainDlg dialog;
    dialog.show();
    dialog.OnDropFiles({Q(book)});
    dialogs.openFileAnswers.push_back(Q(temp / "cover.m4b"));
    dialog.OnBrowseCover();
    dialogs.saveAnswers = {Q(temp / "link.m4b"), Q(temp / "cover.m4b")};

    CProgressWatcher watcher([](CProgressDlg&) {});
    dialog.StartConversion();
    dialog.StartConversion();
    EXPECT_EQ(watcher.seen, 0);
    EXPECT_EQ(dialogs.errors,
              (std::vector<QString>{
                  "Tavlin|The output file \"" + Q(temp / "link.m4b") + "\" is one of the input files. Choose another name.",
                  "Tavlin|The output file \"" + Q(temp / "cover.m4b") +
                      "\" is one of the input files. Choose another name."}));
    EXPECT_EQ(testsupport::ReadText(book / "01.mp3"), before);
    EXPECT_EQ(testsupport::ReadText(temp / "cover.m4b"), "picture bytes");
    EXPECT_EQ(dialog.BookName(), u"Book One");
}

TEST_F(StartConversionTest, ANameWithADotGetsTheSuffixAndAnOverwriteQuestion)
{
    const fs::path book = temp / "Vol. 2";
    fs::create_directories(book);
    MakeMp3(book / "01.mp3", "Part 01");
    testsupport::WriteText(temp / "Vol. 2.m4b", "an older book");
    CMainDlg dialog;
    dialog.show();
    dialog.OnDropFiles({Q(book)});
    dialogs.saveAnswers = {Q(temp / "Vol. 2"), Q(temp / "Vol. 2")};
    dialogs.yesNoAnswers = {false, true, false};
    const QString replace = "Tavlin|\"" + Q(temp / "Vol. 2.m4b") + "\" already exists.\nDo you want to replace it?";

    dialog.StartConversion();  // "No": nothing happens
    EXPECT_EQ(dialogs.saveInitialNames, (std::vector<QString>{"Vol. 2.m4b"}));
    EXPECT_EQ(dialogs.questions, (std::vector<QString>{replace}));
    EXPECT_EQ(testsupport::ReadText(temp / "Vol. 2.m4b"), "an older book");

    dialog.StartConversion();  // "Yes": the book replaces the old file
    EXPECT_EQ(dialogs.questions, (std::vector<QString>{replace, replace, kQuestion}));
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_TRUE(fs::is_directory(book));
    EXPECT_NE(Probe(temp / "Vol. 2.m4b", "chapter_tags=title").find("title=Part 01"), std::string::npos);
}

TEST_F(StartConversionTest, TheButtonWhileCompletedMeansNoQuestion)
{
    const fs::path book = MakeBook();
    CMainDlg dialog;
    dialog.show();
    dialog.OnDropFiles({Q(book)});
    dialogs.saveAnswers.push_back(Q(temp / "done.m4b"));
    CProgressWatcher watcher([](CProgressDlg& progress) {
        if (progress.Button().text() == QStringLiteral("Completed"))
            QTest::mouseClick(&progress.Button(), Qt::LeftButton);
    });
    dialog.StartConversion();
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_EQ(dialog.BookName(), u"Book One");
    EXPECT_TRUE(fs::exists(temp / "done.m4b"));
}

}  // namespace

// Chapters > Edit Chapters on a book of a plain file, an M4B with chapters and
// a WAV with a .cue sheet: the starts it lists are those of the book made,
// and a title edited there is kept and reaches the book.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <gtest/gtest.h>

#include "ui/ChapterEditorDlg.h"
#include "ui/ListFiles.h"
#include "ui/MainDlg.h"
#include "tests/support/Probe.h"
#include "tests/support/TestSupport.h"
#include "UiFixtures.h"

namespace {

namespace fs = std::filesystem;
namespace ts = testsupport;

QString Q(const fs::path& path) { return QString::fromStdString(path.string()); }

// "H:MM:SS.mmm" in seconds.
double Seconds(const QString& time)
{
    const QStringList parts = time.split(QLatin1Char(':'));
    return parts.size() == 3 ? parts[0].toInt() * 3600 + parts[1].toInt() * 60 + parts[2].toDouble() : -1;
}

class ChapterEditorTest : public ::testing::Test {
protected:
    ChapterEditorTest()
    {
        const fs::path book = temp / "Mixed";
        fs::create_directories(book);
        ts::GenerateTone(book / "1.flac", 1.3, 44100, 1, 440.0, {"-c:a", "flac"});
        ts::GenerateToneWithMetadata(book / "2.m4b", 4.0, ts::FfmetadataChapters({{0, 1500, "A"}, {1500, 4000, "B"}}),
                                     {"-c:a", "aac"});
        ts::GenerateTone(book / "3.wav", 3.2, 44100, 1);
        ts::WriteText(book / "3.cue", "FILE \"3.wav\" WAVE\n"
                                      "  TRACK 01 AUDIO\n    TITLE \"Cue one\"\n    INDEX 01 00:00:00\n"
                                      "  TRACK 02 AUDIO\n    TITLE \"Cue two\"\n    INDEX 01 00:01:50\n");
        window.OnDropFiles({Q(book)});
    }

    // Opens the chapter dialog with its shortcut's command, lets `act` work
    // in it, then closes it.
    void InEditor(const std::function<void(CChapterEditorDlg&)>& act)
    {
        bool seen = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* editor = dynamic_cast<CChapterEditorDlg*>(QApplication::activeModalWidget())) {
                poll.stop();
                seen = true;
                act(*editor);
                editor->accept();
            }
        });
        poll.start(20);
        ASSERT_EQ(window.Command(ID_EDIT_CHAPTERS)->shortcut(), QKeySequence(QStringLiteral("Ctrl+E")));
        window.Command(ID_EDIT_CHAPTERS)->trigger();
        ASSERT_TRUE(seen);
    }

    // Converts into `output`, answering No to the player question.
    std::vector<ts::ProbedChapter> Convert(const fs::path& output)
    {
        dialogs.saveAnswers.push_back(Q(output));
        dialogs.yesNoAnswers.push_back(false);
        window.StartConversion();
        EXPECT_TRUE(dialogs.errors.empty()) << dialogs.errors.front().toStdString();
        return ts::ProbeChapters(output);
    }

    QString ListedChapter(int row) { return window.List().topLevelItem(row)->text(1); }

    ts::TempDir temp;
    CScriptedDialogs dialogs;
    CMainDlg window;
};

}  // namespace

TEST_F(ChapterEditorTest, ListsEveryChapterWhereTheMadeBookHasIt)
{
    std::vector<double> starts;
    QStringList titles;
    InEditor([&](CChapterEditorDlg& editor) {
        QTableWidget& table = editor.Table();
        for (int row = 0; row < table.rowCount(); ++row) {
            starts.push_back(Seconds(table.item(row, CChapterEditorDlg::COLUMN_START)->text()));
            titles.push_back(table.item(row, CChapterEditorDlg::COLUMN_TITLE)->text());
        }
        EXPECT_TRUE(editor.Warning().text().isEmpty());
        EXPECT_TRUE(editor.isSizeGripEnabled());
    });
    const std::vector<ts::ProbedChapter> book = Convert(temp / "book.m4b");
    EXPECT_EQ(titles, (QStringList{"1", "A", "B", "Cue one", "Cue two"}));
    ASSERT_EQ(book.size(), starts.size());
    for (size_t i = 0; i < book.size(); ++i) {
        // Half a frame: a priming frame missed or counted twice stands out.
        EXPECT_NEAR(starts[i], book[i].start, 512.0 / 44100) << i;
        EXPECT_EQ(titles[static_cast<int>(i)].toStdString(), book[i].title);
    }
}

TEST_F(ChapterEditorTest, AnEditedTitleOutlivesAChangeOfSourceAndReachesTheBook)
{
    InEditor([&](CChapterEditorDlg& editor) {
        QTableWidget& table = editor.Table();
        table.item(1, CChapterEditorDlg::COLUMN_TITLE)->setText(QStringLiteral("Renamed"));
        table.item(3, CChapterEditorDlg::COLUMN_TITLE)->setText(QString());  // refused, and put back
        EXPECT_EQ(table.item(3, CChapterEditorDlg::COLUMN_TITLE)->text(), QStringLiteral("Cue one"));
    });
    EXPECT_EQ(dialogs.errors.size(), 1u);
    dialogs.errors.clear();
    EXPECT_EQ(ListedChapter(1), QStringLiteral("Renamed (2 chapters)"));
    window.OnChapterSource(ID_CHAPTERS_FILENAME);
    EXPECT_EQ(ListedChapter(1), QStringLiteral("Renamed (2 chapters)"));
    EXPECT_EQ(ListedChapter(2), QStringLiteral("3 1 (2 chapters)"));

    std::vector<std::string> titles;
    for (const ts::ProbedChapter& chapter : Convert(temp / "book.m4b"))
        titles.push_back(chapter.title);
    EXPECT_EQ(titles, (std::vector<std::string>{"1", "Renamed", "2 2", "3 1", "3 2"}));

    InEditor([](CChapterEditorDlg& editor) {
        editor.ResetButton().click();
        EXPECT_EQ(editor.Table().item(1, CChapterEditorDlg::COLUMN_TITLE)->text(), QStringLiteral("2 1"));
    });
    EXPECT_EQ(ListedChapter(1), QStringLiteral("2 1 (2 chapters)"));
}

TEST_F(ChapterEditorTest, AChapterTheSplitWillCutSaysSoInsteadOfInventingTimes)
{
    window.Project().SetChapterSplit({eSplitMode::Pauses, 10000000LL});  // parts of 1 s
    InEditor([&](CChapterEditorDlg& editor) {
        QTableWidget& table = editor.Table();
        ASSERT_EQ(table.rowCount(), 5);
        // "1" lasts 1.3 s and stays whole; "B" (2.5 s) is cut.
        EXPECT_FALSE(table.item(0, CChapterEditorDlg::COLUMN_LENGTH)->text().contains(QStringLiteral("cut")));
        EXPECT_TRUE(table.item(2, CChapterEditorDlg::COLUMN_LENGTH)
                        ->text()
                        .contains(QStringLiteral("at pauses during conversion")));
    });
}

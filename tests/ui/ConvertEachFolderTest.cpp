// File › Convert Each Folder with the real engine: the folder asked for, the
// list of books, the progress dialog and the summary.
#include <QApplication>
#include <QRegularExpression>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "ui/LibraryDlg.h"
#include "ui/MainDlg.h"
#include "tests/support/TestSupport.h"
#include "UiFixtures.h"

namespace fs = std::filesystem;

TEST(ConvertEachFolder, ListsTheBooksThenMakesThemOneAfterAnotherAndSumsUp)
{
    testsupport::TempDir temp;
    const fs::path lib = temp / "Lib";
    fs::create_directories(lib / "Alpha/CD2");
    fs::create_directories(lib / "Alpha/CD1");
    fs::create_directories(lib / "Beta");
    MakeMp3(lib / "Alpha/CD2/01.mp3", "Second", {"album=Alpha Album"});
    MakeMp3(lib / "Alpha/CD1/01.mp3", "First", {"album=Alpha Album"});
    MakeMp3(lib / "Beta/01.mp3", "Only");
    testsupport::WriteText(lib / "Beta.m4b", "made before");

    CScriptedDialogs dialogs;
    dialogs.folderAnswers.push_back(QString::fromStdString(lib.string()));
    QStringList listed;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* list = dynamic_cast<CLibraryDlg*>(QApplication::activeModalWidget());
        if (!list)
            return;
        const QTreeWidget& rows = list->List();
        for (int i = 0; i < rows.topLevelItemCount(); ++i) {
            const QTreeWidgetItem& row = *rows.topLevelItem(i);
            listed << row.text(0) + "|" + row.text(1) + "|" + row.text(5) + "|" + row.text(rows.columnCount() - 1);
        }
        list->accept();
    });
    watcher.start(50);

    CMainDlg window;
    window.OnConvertEachFolder();
    EXPECT_EQ(listed, (QStringList{"Alpha|2|Alpha Album|made", "Beta|1||skipped: exists"}));
    ASSERT_EQ(dialogs.notices.size(), 1u);
    const QString summary = dialogs.notices.front();
    EXPECT_TRUE(summary.contains(QRegularExpression("\nAlpha +2 +\\d+:\\d\\d +\\d+:\\d\\d +done\n"))) << summary.toStdString();
    EXPECT_TRUE(summary.contains(QRegularExpression("\nBeta +- +- +- +skipped: exists\n"))) << summary.toStdString();
    const auto probe = testsupport::Run({"ffprobe", "-v", "error", "-show_entries", "chapter_tags=title", "-of",
                                         "csv=p=0", (lib / "Alpha.m4b").string()});
    EXPECT_EQ(probe.output, "First\nSecond\n");
    EXPECT_EQ(testsupport::ReadText(lib / "Beta.m4b"), "made before");
}

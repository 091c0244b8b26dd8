// The window program as a process, and the About box.
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <filesystem>
#include <gtest/gtest.h>

#include "ui/AboutDlg.h"
#include "ui/CommandLine.h"
#include "project/Item.h"
#include "ui/MainDlg.h"
#include "tests/support/TestSupport.h"
#include "UiFixtures.h"

namespace {

TEST(WindowProgram, OpensWithArgumentsAsADropAndEndsWithCodeTwo)
{
    testsupport::TempDir temp;
    const auto book = temp / "Argument Book";
    std::filesystem::create_directories(book);
    MakeMp3(book / "01.mp3");
    const auto shot = temp / "shot.png";
    const auto r = testsupport::Run({TAVLIN_APP_PATH, "--screenshot", shot.string(), book.string()});
    EXPECT_EQ(r.exitCode, 2) << r.output;
    const QImage image(QString::fromStdString(shot.string()));
    EXPECT_GT(image.width(), 300);
    EXPECT_GT(image.height(), 300);
}

// Runs in `folder` while the object lives.
class CCurrentFolder {
public:
    explicit CCurrentFolder(const std::filesystem::path& folder) : m_previous(QDir::currentPath())
    {
        EXPECT_TRUE(QDir::setCurrent(QString::fromStdString(folder.string())));
    }
    ~CCurrentFolder() { QDir::setCurrent(m_previous); }
    CCurrentFolder(const CCurrentFolder&) = delete;
    CCurrentFolder& operator=(const CCurrentFolder&) = delete;

private:
    QString m_previous;
};

TEST(CommandLine, RelativePathsOpenTheFolderUnderItsRealName)
{
    testsupport::TempDir temp;
    const auto book = temp / "Argument Book";
    std::filesystem::create_directories(book / "disc");
    MakeMp3(book / "01.mp3");
    MakeMp3(book / "disc" / "02.mp3");
    const QString bookPath = QString::fromStdString(book.string());

    for (const char* argument : {".", "./", "disc/..", "../Argument Book"}) {
        const CCurrentFolder inside(book);
        const sCommandLine parsed = ParseCommandLine({"tavlin", argument});
        ASSERT_EQ(parsed.paths, QStringList{bookPath}) << argument;
        CMainDlg dialog;
        dialog.OnDropFiles(parsed.paths);
        EXPECT_EQ(dialog.BookName(), u"Argument Book") << argument;
        const auto& rows = dialog.Project().Rows();
        ASSERT_EQ(rows.size(), 2u) << argument;
        EXPECT_EQ(rows[0]->m_strPath, (book / "01.mp3").u16string());
        EXPECT_EQ(rows[1]->m_strPath, (book / "disc" / "02.mp3").u16string());
    }
}

TEST(CommandLine, TakesTheScreenshotOptionApartFromThePaths)
{
    const sCommandLine parsed = ParseCommandLine({"tavlin", "/books/a.mp3", "--screenshot", "shot.png", "/books//b/"});
    EXPECT_EQ(parsed.paths, (QStringList{"/books/a.mp3", "/books/b"}));
    EXPECT_EQ(parsed.screenshot, QStringLiteral("shot.png"));
    EXPECT_TRUE(ParseCommandLine({"tavlin"}).paths.isEmpty());
}

TEST(AboutBox, ShowsTheVersionTheIconAndOk)
{
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    bool version = false;
    bool icon = false;
    for (QLabel* label : about.findChildren<QLabel*>()) {
        version |= label->text() == QStringLiteral("Tavlin v1.03");
        icon |= !label->pixmap().isNull();
    }
    EXPECT_TRUE(version);
    EXPECT_TRUE(icon);
    auto* ok = about.findChild<QPushButton*>(QStringLiteral("1"));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_TRUE(ok->isDefault());
    ok->click();
    EXPECT_EQ(about.result(), 1);
}

}  // namespace

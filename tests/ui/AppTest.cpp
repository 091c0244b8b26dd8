// The window program as a process, and the About box.
#include <QLabel>
#include <QPushButton>
#include <filesystem>
#include <gtest/gtest.h>

#include "AboutDlg.h"
#include "TestSupport.h"
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

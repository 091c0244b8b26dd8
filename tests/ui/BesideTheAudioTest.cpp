// The main window with a book whose only cover is inside its MP3 and whose
// metadata.opf is broken: the cover field offers the picture, the preview
// shows it, and the window says which file was not read.
#include <QColor>
#include <QImage>
#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"
#include "ui/CoverComboBox.h"
#include "ui/MainDlg.h"
#include "ui/PictureBoxCtrl.h"
#include "UiFixtures.h"

namespace fs = std::filesystem;

TEST(BesideTheAudio, TheCoverInsideTheMp3IsOfferedAndShownAndABrokenOpfIsNamed)
{
    testsupport::TempDir temp;
    CScriptedDialogs dialogs;
    const fs::path book = temp / "Book";
    fs::create_directories(book);
    MakeMp3(temp / "tone.mp3");
    SavePicture(temp / "red.png", 40, 40, Qt::red);
    testsupport::EmbedCover(temp / "tone.mp3", temp / "red.png", book / "01.mp3");
    testsupport::WriteText(book / "metadata.opf", "<package><metadata>\n</package>\n");

    CMainDlg dialog;
    dialog.OnDropFiles({QString::fromStdString(book.string())});

    ASSERT_EQ(dialog.Cover().count(), 1);
    EXPECT_EQ(dialog.Cover().itemText(0), QStringLiteral("01.mp3 (embedded)"));
    EXPECT_EQ(dialog.Cover().GetCoverPath(), (book / "01.mp3").u16string());
    const QImage picture = dialog.Picture().Rendered();
    const QColor centre = picture.pixelColor(picture.width() / 2, picture.height() / 2);
    EXPECT_GT(centre.red(), 200);
    EXPECT_LT(centre.green(), 60);

    ASSERT_EQ(dialogs.notices.size(), 1u);
    EXPECT_EQ(dialogs.notices[0], QStringLiteral("Tavlin|%1, line 2: mismatched tag; its details are not used")
                                      .arg(QString::fromStdString((book / "metadata.opf").string())));
}

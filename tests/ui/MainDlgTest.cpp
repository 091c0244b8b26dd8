// The main window on real widgets: start state, drops, Add Files, chapter
// source, deleting rows, New, shortcuts, resizing and the empty hint.
#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

#include "engine/Settings.h"
#include "ui/CoverComboBox.h"
#include "project/Item.h"
#include "ui/ListFiles.h"
#include "ui/MainDlg.h"
#include "ui/PictureBoxCtrl.h"
#include "ui/SplitChaptersDlg.h"
#include "tests/support/TestSupport.h"
#include "UiFixtures.h"

namespace {

namespace fs = std::filesystem;

QString Q(const fs::path& path) { return QString::fromStdString(path.string()); }

std::vector<std::pair<QString, QString>> RowTexts(CListFiles& list)
{
    std::vector<std::pair<QString, QString>> rows;
    for (int i = 0; i < list.topLevelItemCount(); ++i)
        rows.emplace_back(list.topLevelItem(i)->text(0), list.topLevelItem(i)->text(1));
    return rows;
}

QStringList CoverLines(C_ComboBox& cover)
{
    QStringList lines;
    for (int i = 0; i < cover.count(); ++i)
        lines << cover.itemText(i);
    return lines;
}

bool IsAllBlack(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xffffff) != 0)
                return false;
    return true;
}

class MainDlgTest : public ::testing::Test {
protected:
    // "Book One" with 01.mp3 (track name "Opening"), 02.mp3 (no track name,
    // artist and album tags), notes.txt, Cover.JPG and back.jpg.
    fs::path MakeBookFolder()
    {
        const fs::path book = temp / "Book One";
        fs::create_directories(book);
        MakeMp3(book / "01.mp3", "Opening", {"artist=Ann Reader", "album=The Album", "genre=Speech", "date=2021"});
        MakeMp3(book / "02.mp3");
        testsupport::WriteText(book / "notes.txt", "not audio");
        SavePicture(book / "Cover.JPG", 60, 40, Qt::red);
        SavePicture(book / "back.jpg", 40, 60, Qt::blue);
        return book;
    }

    void ShowActive(CMainDlg& dialog)
    {
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    }

    testsupport::TempDir temp;
    CScriptedDialogs dialogs;
};

TEST_F(MainDlgTest, StartState)
{
    CMainDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Tavlin - iPod AudioBook Converter"));
    EXPECT_EQ(dialog.List().RowCount(), 0);
    EXPECT_FALSE(dialog.Control(1025)->isEnabled());
    EXPECT_FALSE(dialog.Command(ID_START_CONVERSION)->isEnabled());
    EXPECT_TRUE(dialog.Command(ID_CHAPTERS_TAG)->isChecked());
    EXPECT_FALSE(dialog.Command(ID_CHAPTERS_FILENAME)->isChecked());
    EXPECT_EQ(static_cast<QPushButton*>(dialog.Control(1025))->text(), QStringLiteral("Start Conversion"));
    EXPECT_TRUE(static_cast<QPushButton*>(dialog.Control(1025))->isDefault());
    EXPECT_EQ(static_cast<QLabel*>(dialog.Control(1022))->text(), QStringLiteral("Comment:"));
    EXPECT_EQ(dialog.Command(ID_FILE_NEW)->text(), QStringLiteral("&New\tCtrl+N"));
    EXPECT_EQ(dialog.Command(ID_FILE_NEW)->shortcut(), QKeySequence(QStringLiteral("Ctrl+N")));
    EXPECT_EQ(dialog.Command(ID_CANCEL)->text(), QStringLiteral("E&xit"));
    EXPECT_EQ(dialog.Command(ID_APP_ABOUT)->text(), QStringLiteral("&About Tavlin..."));

    // The columns keep their initial widths until something changes.
    EXPECT_EQ(dialog.List().header()->sectionSize(0), 100);
    EXPECT_EQ(dialog.List().header()->sectionSize(1), 50);
    EXPECT_EQ(dialog.List().headerItem()->text(0), QStringLiteral("File"));
    EXPECT_EQ(dialog.List().headerItem()->text(1), QStringLiteral("Chapter"));

    // Tab order follows the template.
    std::vector<QString> order;
    QWidget* widget = dialog.Control(1025);
    for (int i = 0; i < 10; ++i, widget = widget->nextInFocusChain()) {
        while (widget->focusPolicy() == Qt::NoFocus || widget->objectName().isEmpty())
            widget = widget->nextInFocusChain();
        order.push_back(widget->objectName());
    }
    EXPECT_EQ(order, (std::vector<QString>{"1025", "1000", "1010", "1003", "1016", "1013", "1012", "1011", "1014",
                                           "1015"}));
}

TEST_F(MainDlgTest, DroppingAFolderFillsTheListDetailsAndCover)
{
    const fs::path book = MakeBookFolder();
    CMainDlg dialog;
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(Q(book))});
    QDragEnterEvent enter(QPoint(20, 60), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(20, 60), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &drop);
    EXPECT_TRUE(drop.isAccepted());
    // The drop returns at once; the files are read once the event loop runs.
    EXPECT_EQ(dialog.List().RowCount(), 0);
    for (int i = 0; i < 200 && dialog.List().RowCount() == 0; ++i)
        QTest::qWait(10);

    ASSERT_EQ(RowTexts(dialog.List()), (std::vector<std::pair<QString, QString>>{{"01", "Opening"}, {"02", "02"}}));
    EXPECT_EQ(dialog.Project().Rows()[0]->m_strPath, (book / "01.mp3").u16string());
    EXPECT_EQ(dialog.BookName(), u"Book One");
    EXPECT_EQ(dialog.DetailField(1010)->text(), QStringLiteral("Ann Reader"));
    EXPECT_EQ(dialog.DetailField(1012)->text(), QStringLiteral("The Album"));
    EXPECT_EQ(dialog.DetailField(1014)->text(), QStringLiteral("Speech"));
    EXPECT_EQ(dialog.DetailField(1011)->text(), QStringLiteral("2021"));
    EXPECT_EQ(dialog.DetailField(1013)->text(), QString());

    // Ordinal order puts "Cover.JPG" first; its name contains "cover".
    EXPECT_EQ(CoverLines(dialog.Cover()), (QStringList{"Cover.JPG", "back.jpg"}));
    EXPECT_EQ(dialog.Cover().currentIndex(), 0);
    EXPECT_EQ(dialog.Cover().GetCoverPath(), (book / "Cover.JPG").u16string());
    const QImage picture = dialog.Picture().Rendered();
    const QColor centre = picture.pixelColor(picture.width() / 2, picture.height() / 2);
    EXPECT_GT(centre.red(), 200);
    EXPECT_LT(centre.blue(), 60);

    EXPECT_TRUE(dialog.Control(1025)->isEnabled());
    EXPECT_TRUE(dialog.Command(ID_START_CONVERSION)->isEnabled());
    // The Chapter column fills what File leaves.
    EXPECT_EQ(dialog.List().header()->sectionSize(0), 100);
    EXPECT_EQ(dialog.List().header()->sectionSize(1), dialog.List().ClientWidth() - 100);
}

TEST_F(MainDlgTest, PicturesAloneKeepTheRowsAudioReplacesThem)
{
    const fs::path book = MakeBookFolder();
    const fs::path extra = temp / "extra";
    fs::create_directories(extra);
    SavePicture(extra / "a.jpg", 10, 10, Qt::green);
    SavePicture(extra / "my album.png", 10, 10, Qt::yellow);
    MakeMp3(extra / "solo.mp3");

    CMainDlg dialog;
    dialog.OnDropFiles({Q(book)});
    dialog.OnDropFiles({Q(extra / "a.jpg"), Q(extra / "my album.png")});
    EXPECT_EQ(dialog.List().RowCount(), 2);
    EXPECT_EQ(CoverLines(dialog.Cover()), (QStringList{"a.jpg", "my album.png"}));
    EXPECT_EQ(dialog.Cover().currentIndex(), 1);  // "album" wins over line 0
    EXPECT_EQ(dialog.BookName(), u"Book One");    // no folder in that drop

    dialog.OnDropFiles({Q(extra / "solo.mp3")});
    EXPECT_EQ(RowTexts(dialog.List()), (std::vector<std::pair<QString, QString>>{{"solo", "solo"}}));
    // Without pictures the cover stays; the details follow the new first file.
    EXPECT_EQ(CoverLines(dialog.Cover()), (QStringList{"a.jpg", "my album.png"}));
    EXPECT_EQ(dialog.DetailField(1010)->text(), QString());
}

TEST_F(MainDlgTest, AddFilesAppendsWithTheAudioImageAndAllFilters)
{
    const fs::path book = MakeBookFolder();
    CMainDlg dialog;
    dialog.OnDropFiles({Q(book)});
    dialog.DetailField(1015)->setText(QStringLiteral("typed by hand"));

    dialogs.openFilesAnswers.push_back({Q(book / "02.mp3"), Q(book / "01.mp3")});
    dialog.OnAddFiles();
    EXPECT_EQ(dialogs.filters.back(),
              QStringLiteral("Audio Files (*.mp3 *.wma *.wav *.m4a *.m4b *.aac *.mp4 *.flac *.ogg *.oga *.opus *.mka "
                             "*.webm *.weba *.aif *.aiff *.wv *.ape *.ac3 *.mp2 *.MP3 *.WMA *.WAV *.M4A *.M4B "
                             "*.AAC *.MP4 *.FLAC *.OGG *.OGA *.OPUS *.MKA *.WEBM *.WEBA *.AIF *.AIFF *.WV *.APE "
                             "*.AC3 *.MP2);;"
                             "Image Files (*.bmp *.jpg *.jpeg *.gif *.png *.BMP *.JPG *.JPEG *.GIF *.PNG);;"
                             "All Files (*)"));
    EXPECT_EQ(RowTexts(dialog.List()), (std::vector<std::pair<QString, QString>>{
                                           {"01", "Opening"}, {"02", "02"}, {"01", "Opening"}, {"02", "02"}}));
    EXPECT_EQ(dialog.BookName(), u"Book One");
    EXPECT_EQ(dialog.DetailField(1015)->text(), QString());  // overwritten, also with empty values

    dialog.OnAddFiles();  // cancelled
    EXPECT_EQ(dialog.List().RowCount(), 4);
}

TEST_F(MainDlgTest, AFilesOwnChaptersShowInItsRowAndABadSheetStopsTheConversion)
{
    const fs::path book = temp / "Book";
    fs::create_directories(book);
    testsupport::GenerateToneChapters(book / "01.m4b", {{0.3, "Intro"}, {0.3, "Middle"}, {0.3, "End"}},
                                      {"-c:a", "aac"});
    MakeMp3(book / "02.mp3", "Second");
    testsupport::WriteText(book / "02.cue", "FILE \"02.mp3\" MP3\n  TRACK 01 AUDIO\n    INDEX 01 00:00:0\n");
    CMainDlg dialog;
    dialog.OnDropFiles({Q(book)});
    EXPECT_EQ(RowTexts(dialog.List()),
              (std::vector<std::pair<QString, QString>>{{"01", "Intro (3 chapters)"}, {"02", "Second"}}));
    const QString problem = QStringLiteral("Tavlin|") + Q(book / "02.cue") +
                            QStringLiteral(", line 3: \"INDEX 01 00:00:0\" is not INDEX nn mm:ss:ff (75 frames a "
                                           "second)\nNothing is converted: mend the sheet and add its files again.");
    EXPECT_EQ(dialogs.errors, (std::vector<QString>{problem}));

    dialog.StartConversion();
    EXPECT_EQ(dialogs.errors, (std::vector<QString>{problem, problem}));
    EXPECT_EQ(dialogs.saveCalls, 0);  // no book is asked for

    // Mended, but naming the file as it was before it became an MP3: the
    // MP3 is taken, and the window says so without stopping anything.
    testsupport::WriteText(book / "02.cue", "FILE \"02.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    dialog.OnDropFiles({Q(book)});
    EXPECT_EQ(dialogs.errors.size(), 2u);
    EXPECT_EQ(dialogs.notices, (std::vector<QString>{QStringLiteral("Tavlin|") + Q(book / "02.cue") +
                                                     QStringLiteral(", line 1: FILE \"02.wav\" is missing; "
                                                                    "\"02.mp3\" is taken in its place")}));
}

TEST_F(MainDlgTest, SheetsInTheCodePageNamedInTheSettingsFile)
{
    const fs::path book = temp / "Book";
    fs::create_directories(book);
    MakeMp3(book / "01.mp3");
    // "Глава" in Windows-1251.
    testsupport::WriteText(book / "01.cue", "FILE \"01.mp3\" MP3\n  TRACK 01 AUDIO\n    TITLE \"\xC3\xEB\xE0\xE2\xE0\"\n"
                                            "    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 00:00:01\n");
    testsupport::WriteText(temp / "Tavlin.ini", "[options]\nsheet_encoding = CP1251\n");
    CMainDlg dialog;
    dialog.SetSettingsFile(temp / "Tavlin.ini");
    dialog.OnDropFiles({Q(book)});
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(RowTexts(dialog.List()), (std::vector<std::pair<QString, QString>>{
                                           {"01", QStringLiteral(u"\u0413\u043B\u0430\u0432\u0430 (2 chapters)")}}));
}

TEST_F(MainDlgTest, AddFilesTakesEachChosenPathFromItsOwnFolder)
{
    fs::create_directories(temp / "a");
    fs::create_directories(temp / "b");
    MakeMp3(temp / "a" / "01.mp3", "From A");
    MakeMp3(temp / "b" / "02.mp3", "From B");
    SavePicture(temp / "b" / "art.png", 8, 8, Qt::red);
    CMainDlg dialog;
    dialogs.openFilesAnswers.push_back({Q(temp / "a" / "01.mp3"), Q(temp / "b" / "02.mp3"), Q(temp / "b" / "art.png")});
    dialog.OnAddFiles();
    const auto& rows = dialog.Project().Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]->m_strPath, (temp / "a" / "01.mp3").u16string());
    EXPECT_EQ(rows[1]->m_strPath, (temp / "b" / "02.mp3").u16string());
    EXPECT_EQ(RowTexts(dialog.List())[1].second, QStringLiteral("From B"));
    EXPECT_EQ(dialog.Cover().GetCoverPath(), (temp / "b" / "art.png").u16string());
}

TEST_F(MainDlgTest, ChapterSourceRewritesTheChapterColumn)
{
    const fs::path book = MakeBookFolder();
    CMainDlg dialog;
    dialog.OnDropFiles({Q(book)});
    dialog.Command(ID_CHAPTERS_FILENAME)->trigger();
    EXPECT_EQ(dialog.Project().ChapterSource(), CHAPTERS_FROM_FILENAME);
    EXPECT_TRUE(dialog.Command(ID_CHAPTERS_FILENAME)->isChecked());
    EXPECT_FALSE(dialog.Command(ID_CHAPTERS_TAG)->isChecked());
    EXPECT_EQ(RowTexts(dialog.List()), (std::vector<std::pair<QString, QString>>{{"01", "01"}, {"02", "02"}}));
    dialog.Command(ID_CHAPTERS_TAG)->trigger();
    EXPECT_EQ(RowTexts(dialog.List())[0].second, QStringLiteral("Opening"));
}

// Chapters > Split Long Chapters: OK waits for a length it can read, and the
// choice becomes the project's, so the next conversion's.
TEST_F(MainDlgTest, SplitLongChaptersSetsTheProjectsSplit)
{
    CMainDlg dialog;
    bool answered = false;
    QTimer::singleShot(0, [&] {
        auto* split = dynamic_cast<CSplitChaptersDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(split, nullptr);
        auto* ok = split->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        split->findChild<QRadioButton*>(QStringLiteral("exact"))->click();
        split->findChild<QLineEdit*>(QStringLiteral("length"))->setText(QStringLiteral("90"));
        EXPECT_FALSE(ok->isEnabled());
        split->findChild<QLineEdit*>(QStringLiteral("length"))->setText(QStringLiteral("1m30s"));
        ASSERT_TRUE(ok->isEnabled());
        answered = true;
        ok->click();
    });
    dialog.Command(ID_SPLIT_CHAPTERS)->trigger();
    ASSERT_TRUE(answered);
    EXPECT_EQ(dialog.Project().ChapterSplit().m_eMode, eSplitMode::Exact);
    EXPECT_EQ(dialog.Project().ChapterSplit().m_llLength, 90 * 10000000LL);
}

TEST_F(MainDlgTest, DeleteRemovesExactlyTheSelectedRows)
{
    const fs::path book = temp / "five";
    fs::create_directories(book);
    for (int i = 0; i < 5; ++i)
        MakeMp3(book / ("t" + std::to_string(i) + ".mp3"));
    CMainDlg dialog;
    dialog.OnDropFiles({Q(book)});
    ASSERT_EQ(dialog.List().RowCount(), 5);
    for (int row : {1, 3, 4})
        dialog.List().topLevelItem(row)->setSelected(true);
    QTest::keyClick(&dialog.List(), Qt::Key_Delete);
    EXPECT_EQ(RowTexts(dialog.List()), (std::vector<std::pair<QString, QString>>{{"t0", "t0"}, {"t2", "t2"}}));
    EXPECT_TRUE(dialog.Control(1025)->isEnabled());

    dialog.List().selectAll();
    QTest::keyClick(&dialog.List(), Qt::Key_Delete);
    EXPECT_EQ(dialog.List().RowCount(), 0);
    EXPECT_FALSE(dialog.Control(1025)->isEnabled());
    EXPECT_FALSE(dialog.Command(ID_START_CONVERSION)->isEnabled());
}

TEST_F(MainDlgTest, NewClearsTheBookButKeepsTheChapterSource)
{
    const fs::path book = MakeBookFolder();
    CMainDlg dialog;
    dialog.OnDropFiles({Q(book)});
    dialog.Command(ID_CHAPTERS_FILENAME)->trigger();
    dialog.Command(ID_FILE_NEW)->trigger();
    EXPECT_EQ(dialog.List().RowCount(), 0);
    EXPECT_EQ(dialog.BookName(), u"");
    for (int id : {1010, 1013, 1012, 1011, 1014, 1015})
        EXPECT_TRUE(dialog.DetailField(id)->text().isEmpty()) << id;
    EXPECT_EQ(dialog.Cover().count(), 0);
    EXPECT_TRUE(dialog.Cover().currentText().isEmpty());
    EXPECT_TRUE(IsAllBlack(dialog.Picture().Rendered()));
    EXPECT_FALSE(dialog.Control(1025)->isEnabled());
    EXPECT_EQ(dialog.Project().ChapterSource(), CHAPTERS_FROM_FILENAME);
    EXPECT_TRUE(dialog.Command(ID_CHAPTERS_FILENAME)->isChecked());
}

TEST_F(MainDlgTest, ShortcutsWorkInsideEditFields)
{
    const fs::path book = MakeBookFolder();
    CMainDlg dialog;
    ShowActive(dialog);
    QLineEdit* artist = dialog.DetailField(1010);
    artist->setFocus();
    ASSERT_TRUE(artist->hasFocus());

    // Ctrl+S does nothing while the list is empty.
    QTest::keyClick(artist, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(dialogs.saveCalls, 0);

    dialogs.openFilesAnswers.push_back({Q(book / "01.mp3")});
    QTest::keyClick(artist, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(dialogs.openFilesCalls, 1);
    EXPECT_EQ(dialog.List().RowCount(), 1);

    artist->setFocus();
    QTest::keyClick(artist, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(dialogs.saveCalls, 1);

    // Enter in an edit field presses "Start Conversion".
    QTest::keyClick(dialog.DetailField(1015), Qt::Key_Return);
    EXPECT_EQ(dialogs.saveCalls, 2);

    // Ctrl+N from inside the cover field's edit box.
    dialog.Cover().setFocus();
    QTest::keyClick(dialog.Cover().lineEdit(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(dialog.List().RowCount(), 0);
    QTest::keyClick(dialog.DetailField(1015), Qt::Key_Return);
    EXPECT_EQ(dialogs.saveCalls, 2);  // unavailable again
}

TEST_F(MainDlgTest, EnterPressesTheFocusedButtonElseStartConversion)
{
    const fs::path book = MakeBookFolder();
    CMainDlg dialog;
    ShowActive(dialog);
    dialog.OnDropFiles({Q(book)});

    QWidget* browse = dialog.Control(1016);
    browse->setFocus();
    ASSERT_TRUE(browse->hasFocus());
    QTest::keyClick(browse, Qt::Key_Return);
    EXPECT_EQ(dialogs.openFileCalls, 1);
    EXPECT_EQ(dialogs.saveCalls, 0);

    // Once the focus is in an edit field, Enter is "Start Conversion" again.
    QLineEdit* year = dialog.DetailField(1011);
    year->setFocus();
    ASSERT_TRUE(year->hasFocus());
    QTest::keyClick(year, Qt::Key_Return);
    EXPECT_EQ(dialogs.saveCalls, 1);
    EXPECT_EQ(dialogs.openFileCalls, 1);
    EXPECT_TRUE(static_cast<QPushButton*>(dialog.Control(1025))->isDefault());
}

TEST_F(MainDlgTest, EscapeAndClosingEndWithCodeTwo)
{
    CMainDlg first;
    ShowActive(first);
    QTest::keyClick(&first, Qt::Key_Escape);
    EXPECT_FALSE(first.isVisible());
    EXPECT_EQ(first.result(), MAIN_DIALOG_END_CODE);

    CMainDlg second;
    ShowActive(second);
    second.close();
    EXPECT_EQ(second.result(), MAIN_DIALOG_END_CODE);

    CMainDlg third;
    ShowActive(third);
    third.Command(ID_CANCEL)->trigger();
    EXPECT_EQ(third.result(), MAIN_DIALOG_END_CODE);
}

TEST_F(MainDlgTest, ResizingMovesAndGrowsTheRightControlsDownToTheMinimum)
{
    CMainDlg dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.resize(dialog.size() + QSize(1, 1));  // the columns now fill the list
    const QSize start = dialog.size();
    auto geometry = [&](int id) { return dialog.Control(id)->geometry(); };
    const QRect list = geometry(1000), picture = geometry(1024), start1025 = geometry(1025), cover = geometry(1003),
                browse = geometry(1016), genre = geometry(1014), genreLabel = geometry(1021), year = geometry(1011),
                artistLabel = geometry(1017);
    const int chapter = dialog.List().header()->sectionSize(1);

    dialog.resize(start + QSize(50, 30));
    EXPECT_EQ(geometry(1000), list.adjusted(0, 0, 50, 30));
    EXPECT_EQ(geometry(1024), picture.translated(50, 30));
    EXPECT_EQ(geometry(1024).size(), picture.size());
    EXPECT_EQ(geometry(1025), start1025.translated(50, 30));
    EXPECT_EQ(geometry(1003), cover.translated(50, 30));
    EXPECT_EQ(geometry(1016), browse.translated(50, 30));
    EXPECT_EQ(geometry(1014), genre.adjusted(0, 30, 50, 30));
    EXPECT_EQ(geometry(1021), genreLabel.translated(0, 30));
    EXPECT_EQ(geometry(1011), year.translated(0, 30));
    EXPECT_EQ(geometry(1017), artistLabel.translated(0, 30));
    EXPECT_EQ(dialog.List().header()->sectionSize(1), chapter + 50);
    EXPECT_EQ(dialog.List().header()->sectionSize(0), 100);

    dialog.resize(10, 10);
    const QSize initial = start - QSize(1, 1);
    EXPECT_EQ(dialog.width(), initial.width() * 3 / 4 + 20);
    EXPECT_EQ(dialog.height(), initial.height() * 2 / 3);
}

TEST_F(MainDlgTest, ColumnDividerDragsOnTheRealList)
{
    CMainDlg dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QHeaderView* header = dialog.List().header();
    dialog.resize(dialog.size() + QSize(1, 0));  // columns now fill the list
    const int total = header->sectionSize(0) + header->sectionSize(1);
    EXPECT_EQ(total, dialog.List().ClientWidth());

    header->resizeSection(0, 130);  // the user drags File 30 pixels wider
    EXPECT_EQ(header->sectionSize(1), total - 130);
    dialog.resize(dialog.size() + QSize(40, 0));
    EXPECT_EQ(header->sectionSize(0), 130);
    EXPECT_EQ(header->sectionSize(1), total - 130 + 40);

    header->resizeSection(1, 20);  // the last column snaps back
    EXPECT_EQ(header->sectionSize(1), total - 130 + 40);
}

TEST_F(MainDlgTest, ColumnsFitBesideTheScrollBarThatABigBatchBrings)
{
    const fs::path book = temp / "many";
    fs::create_directories(book);
    for (int i = 10; i < 40; ++i)
        testsupport::GenerateTone(book / ("track " + std::to_string(i) + ".wav"), 0.05, 8000, 1);
    CMainDlg dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.OnDropFiles({Q(book)});
    QApplication::processEvents();
    CListFiles& list = dialog.List();
    ASSERT_TRUE(list.verticalScrollBar()->isVisible());
    EXPECT_EQ(list.header()->sectionSize(0) + list.header()->sectionSize(1), list.viewport()->width());
    EXPECT_FALSE(list.horizontalScrollBar()->isVisible());
}

TEST_F(MainDlgTest, TheEmptyListShowsAGreyHint)
{
    const fs::path book = MakeBookFolder();
    CMainDlg dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto inkInMiddle = [&] {
        const QImage image = dialog.List().viewport()->grab().toImage();
        const QColor base = dialog.List().palette().color(QPalette::Base);
        int ink = 0;
        const int middle = image.height() / 2;
        for (int y = middle - 30; y < middle + 30; ++y)
            for (int x = 0; x < image.width(); ++x)
                ink += image.pixelColor(x, y) != base;
        return ink;
    };
    EXPECT_GT(inkInMiddle(), 20);
    dialog.OnDropFiles({Q(book)});
    EXPECT_EQ(inkInMiddle(), 0);
    dialog.OnNew();
    EXPECT_GT(inkInMiddle(), 20);
}

TEST_F(MainDlgTest, BrowsingAndTypingChooseTheCover)
{
    const fs::path book = MakeBookFolder();
    const fs::path green = temp / "green.png";
    SavePicture(green, 30, 30, Qt::green);
    CMainDlg dialog;
    ShowActive(dialog);
    dialog.OnDropFiles({Q(book)});
    auto centre = [&] {
        const QImage image = dialog.Picture().Rendered();
        return image.pixelColor(image.width() / 2, image.height() / 2);
    };
    ASSERT_GT(centre().red(), 200);

    dialogs.openFileAnswers.push_back(Q(green));
    QTest::mouseClick(static_cast<QPushButton*>(dialog.Control(1016)), Qt::LeftButton);
    EXPECT_EQ(dialogs.filters.back(),
              QStringLiteral("Image Files (*.bmp *.jpg *.jpeg *.gif *.png *.BMP *.JPG *.JPEG *.GIF *.PNG);;"
                             "Bitmap Files (*.bmp *.BMP);;JPEG Files (*.jpg *.jpeg *.JPG *.JPEG);;"
                             "PNG Files (*.png *.PNG);;GIF Files (*.gif *.GIF);;All Files (*)"));
    EXPECT_EQ(dialog.Cover().currentText(), Q(green));
    EXPECT_EQ(dialog.Cover().GetCoverPath(), green.u16string());
    EXPECT_GT(centre().green(), 200);
    EXPECT_LT(centre().red(), 60);

    // A typed path is shown when the edit box loses the focus.
    QLineEdit* edit = dialog.Cover().lineEdit();
    dialog.Cover().setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, Q(book / "back.jpg"));
    QTest::keyClick(edit, Qt::Key_Tab);
    EXPECT_EQ(dialog.Cover().GetCoverPath(), (book / "back.jpg").u16string());
    EXPECT_GT(centre().blue(), 200);
}

}  // namespace

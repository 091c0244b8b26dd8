// The "More Details" dialog on real widgets: laid out from the detail table,
// opened from the main window, and its details in the book written.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

#include "base/Text.h"
#include "ui/MainDlg.h"
#include "ui/MoreDetailsDlg.h"
#include "tests/support/DetailItems.h"
#include "tests/support/TestSupport.h"
#include "UiFixtures.h"

namespace fs = std::filesystem;

namespace {

constexpr int MORE_DETAILS_BUTTON = 1026;
constexpr int OTHER_DETAILS_LINE = 1027;

QString Q(const fs::path& path) { return QString::fromStdString(path.string()); }

void SetText(QWidget* editor, const QString& text)
{
    if (auto* line = qobject_cast<QLineEdit*>(editor))
        line->setText(text);
    else
        qobject_cast<QPlainTextEdit*>(editor)->setPlainText(text);
}

// The next widget that Tab moves to after `widget`.
QWidget* NextTabStop(QWidget* widget)
{
    do
        widget = widget->nextInFocusChain();
    while (widget->focusPolicy() == Qt::NoFocus || widget->objectName().isEmpty());
    return widget;
}

// Runs `act` on the details dialog once `open` has opened it; false when
// none opened.
bool WithMoreDetails(const std::function<void()>& open, const std::function<void(CMoreDetailsDlg&)>& act)
{
    bool seen = false;
    // A timer of this call's own: when nothing opens, it dies unfired.
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (auto* dialog = dynamic_cast<CMoreDetailsDlg*>(QApplication::activeModalWidget())) {
            seen = true;
            act(*dialog);
        } else if (QWidget* other = QApplication::activeModalWidget()) {
            other->close();
        }
    });
    timer.start(0);
    open();
    return seen;
}

class MoreDetailsTest : public ::testing::Test {
protected:
    testsupport::TempDir temp;
    CScriptedDialogs dialogs;
};

}  // namespace

TEST_F(MoreDetailsTest, EveryOtherRowSetInTheDialogReachesTheBook)
{
    const fs::path book = temp / "Book One";
    fs::create_directories(book);
    MakeMp3(book / "01.mp3", "Part 01", {"artist=Tag Artist"});
    CMainDlg dialog;
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    dialog.OnDropFiles({Q(book)});
    const sBookDetails before = dialog.Project().Details();
    auto* line = qobject_cast<QLabel*>(dialog.Control(OTHER_DETAILS_LINE));
    EXPECT_EQ(line->text(), QString());

    // Ctrl+D opens it while a field of the window has the focus; Cancel
    // keeps the details as they were.
    dialog.DetailField(1010)->setFocus();
    ASSERT_TRUE(WithMoreDetails([&] { QTest::keyClick(dialog.DetailField(1010), Qt::Key_D, Qt::ControlModifier); },
                                [](CMoreDetailsDlg& more) {
                                    SetText(more.Editor(eDetail::Narrator), QStringLiteral("Not kept"));
                                    more.findChild<QPushButton*>(QStringLiteral("Cancel"))->click();
                                }));
    EXPECT_EQ(dialog.Project().Details(), before);

    // The button opens it; OK stores.
    ASSERT_TRUE(WithMoreDetails([&] { QTest::mouseClick(dialog.Control(MORE_DETAILS_BUTTON), Qt::LeftButton); },
                                [](CMoreDetailsDlg& more) {
                                    for (const sDetailRow& row : DETAIL_ROWS) {
                                        if (!row.InMainWindow())
                                            SetText(more.Editor(row.m_detail),
                                                    QString::fromStdString(testsupport::DetailTestValue(row)));
                                    }
                                    more.findChild<QPushButton*>(QStringLiteral("OK"))->click();
                                }));
    for (const sDetailRow& row : DETAIL_ROWS) {
        const std::string expected =
            row.InMainWindow() ? ToUtf8(before[row.m_detail]) : testsupport::DetailTestValue(row);
        EXPECT_EQ(ToUtf8(dialog.Project().Details()[row.m_detail]), expected) << row.m_key;
    }
    EXPECT_EQ(line->text(), QStringLiteral("Also: Narrator, Series, Part in series, Description, Publisher, Language, "
                                           "Album artist, Subtitle, Copyright, Sort title, Sort artist"));

    const fs::path output = temp / "book.m4b";
    dialogs.saveAnswers.push_back(Q(output));
    dialogs.yesNoAnswers.push_back(false);
    dialog.StartConversion();
    ASSERT_TRUE(dialogs.errors.empty()) << dialogs.errors.front().toStdString();
    const std::string items = testsupport::Mp4Items(output);
    for (const sDetailRow& row : DETAIL_ROWS) {
        for (const sMp4Item& item : row.m_items) {
            if (!row.InMainWindow() && !item.m_type.empty()) {
                EXPECT_NE(items.find(testsupport::Mp4ItemLine(item, testsupport::DetailTestValue(row))),
                          std::string::npos)
                    << row.m_key << " in\n" << items;
            }
        }
    }

    // A new project's prefill clears the line.
    dialog.OnNew();
    EXPECT_EQ(line->text(), QString());
}

TEST_F(MoreDetailsTest, LaidOutFromTheTableAndResizedLikeTheMainWindow)
{
    CMoreDetailsDlg more(sBookDetails{});
    std::vector<QWidget*> editors;
    for (const sDetailRow& row : DETAIL_ROWS) {
        QWidget* editor = more.Editor(row.m_detail);
        if (row.InMainWindow()) {
            EXPECT_EQ(editor, nullptr) << row.m_key;
            continue;
        }
        ASSERT_NE(editor, nullptr) << row.m_key;
        EXPECT_EQ(editor->objectName().toStdString(), row.m_key);
        EXPECT_EQ(qobject_cast<QPlainTextEdit*>(editor) != nullptr, row.m_bMultiLine) << row.m_key;
        editors.push_back(editor);
    }
    // Tab goes down the rows, then to OK and Cancel.
    auto* ok = more.findChild<QPushButton*>(QStringLiteral("OK"));
    for (size_t i = 0; i + 1 < editors.size(); ++i)
        EXPECT_EQ(NextTabStop(editors[i]), editors[i + 1]) << i;
    EXPECT_EQ(NextTabStop(editors.back()), ok);

    more.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&more));
    const QRect narrator = more.Editor(eDetail::Narrator)->geometry(),
                description = more.Editor(eDetail::Description)->geometry(),
                publisher = more.Editor(eDetail::Publisher)->geometry(), okAt = ok->geometry();
    more.resize(more.size() + QSize(40, 30));
    EXPECT_EQ(more.Editor(eDetail::Narrator)->geometry(), narrator.adjusted(0, 0, 40, 0));
    EXPECT_EQ(more.Editor(eDetail::Description)->geometry(), description.adjusted(0, 0, 40, 30));
    EXPECT_EQ(more.Editor(eDetail::Publisher)->geometry(), publisher.adjusted(0, 30, 40, 30));
    EXPECT_EQ(ok->geometry(), okAt.translated(40, 30));
    more.resize(10, 10);  // no smaller than its template
    EXPECT_EQ(more.Editor(eDetail::Publisher)->geometry(), publisher);

    // In the main window, the button and the line leave the six fields and
    // their labels where they were, and overlap none of them.
    CMainDlg dialog;
    for (int id : {1010, 1013, 1012, 1011, 1014, 1015, 1017, 1018, 1019, 1020, 1021, 1022, 1000}) {
        for (int added : {MORE_DETAILS_BUTTON, OTHER_DETAILS_LINE})
            EXPECT_FALSE(dialog.Control(id)->geometry().intersects(dialog.Control(added)->geometry()))
                << id << " " << added;
    }
}

// The real message boxes: texts are shown as plain text, and the answers
// come back.
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include "UiFixtures.h"
#include "ui/UserDialogs.h"

namespace {

struct sSeenBox {
    QString caption;
    QString labelText;
    Qt::TextFormat format = Qt::AutoText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Waits for the next message box, records it and presses `button`.
void AnswerNextBox(sSeenBox& seen, QMessageBox::StandardButton button)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, &seen, button] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        timer->stop();
        timer->deleteLater();
        seen.caption = box->windowTitle();
        seen.icon = box->icon();
        if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
            seen.labelText = label->text();
            seen.format = label->textFormat();
        }
        box->button(button)->click();
    });
    timer->start(20);
}

const QString kMarkup = QStringLiteral("Can't read file /books/<b>bold</b> & <i>more</i>.mp3");

TEST(UserDialogs, AnErrorBoxShowsFileNamesAsPlainText)
{
    SetUserDialogs(nullptr);
    sSeenBox seen;
    AnswerNextBox(seen, QMessageBox::Ok);
    UserDialogs().ShowError(nullptr, QStringLiteral("Error"), kMarkup);
    EXPECT_EQ(seen.caption, QStringLiteral("Error"));
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.labelText, kMarkup);
    EXPECT_EQ(seen.format, Qt::PlainText);
}

TEST(UserDialogs, AQuestionShowsPlainTextAndGivesTheAnswer)
{
    SetUserDialogs(nullptr);
    for (auto [button, expected] : {std::pair{QMessageBox::Yes, true}, std::pair{QMessageBox::No, false}}) {
        sSeenBox seen;
        AnswerNextBox(seen, button);
        EXPECT_EQ(UserDialogs().AskYesNo(nullptr, QStringLiteral("Tavlin"), kMarkup), expected);
        EXPECT_EQ(seen.icon, QMessageBox::Question);
        EXPECT_EQ(seen.format, Qt::PlainText);
        EXPECT_EQ(seen.labelText, kMarkup);
    }
}

}  // namespace

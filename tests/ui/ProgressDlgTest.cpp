// The progress dialog's sequences against a scripted job: the start order,
// the bar, completion, the button in every state, and a failing job.
#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>

#include "ui/ProgressDlg.h"
#include "UiFixtures.h"

namespace {

class CScriptedJob final : public IConversionJob {
public:
    void Start() override { ++starts; }
    void Abort() override { ++aborts; }
    void GetProgress(int& p, int& t) override
    {
        if (total != 0)
            p = position;
        t = total;
    }
    bool WaitForEnd(int milliseconds) override
    {
        if (milliseconds != 0)
            ended = true;  // an unlimited wait lasts until the job has wound down
        return ended;
    }
    sConversionOutcome Outcome() const override { return outcome; }
    // A failure ends the job by itself.
    void Fail(const std::u16string& message)
    {
        outcome = {eOutcome::Failed, message, {}};
        ended = true;
    }

    int starts = 0;
    int aborts = 0;
    int position = 0;
    int total = 0;
    bool ended = false;
    sConversionOutcome outcome;
};

// Runs `step` on the event loop every 20 ms while the dialog is open.
void WhileOpen(CProgressDlg& dialog, std::function<void()> step)
{
    auto* timer = new QTimer(&dialog);
    QObject::connect(timer, &QTimer::timeout, &dialog, step);
    timer->start(20);
}

class ProgressDlgTest : public ::testing::Test {
protected:
    CScriptedJob job;
    CScriptedDialogs dialogs;
};

TEST_F(ProgressDlgTest, StartsTheJobThenPollsTheBarAndClosesASecondAfterTheEnd)
{
    CProgressDlg dialog(job);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Encoding..."));
    EXPECT_EQ(dialog.Bar().objectName(), QStringLiteral("1026"));
    EXPECT_EQ(dialog.Button().objectName(), QStringLiteral("2"));
    EXPECT_EQ(dialog.Button().text(), QStringLiteral("Abort"));

    std::vector<std::pair<int, int>> seenRanges;
    QElapsedTimer clock;
    qint64 endedAt = 0;
    int step = 0;
    WhileOpen(dialog, [&] {
        ++step;
        if (step == 1) {
            EXPECT_TRUE(dialog.IsPolling());
            EXPECT_EQ(dialog.Bar().value(), 0);  // nothing measured yet: bar untouched
        }
        if (step == 10) {
            job.total = 10;
            job.position = 3;
        }
        if (step == 20) {
            job.total = 40;  // the estimate grows
            job.position = 12;
        }
        if (step == 30) {
            seenRanges.emplace_back(dialog.Bar().maximum(), dialog.Bar().value());
            job.ended = true;
            clock.start();
        }
        if (job.ended && dialog.Button().text() == QStringLiteral("Completed") && endedAt == 0) {
            endedAt = clock.elapsed();
            EXPECT_FALSE(dialog.IsPolling());
            EXPECT_TRUE(dialog.IsClosing());
        }
        if (step == 18)
            seenRanges.emplace_back(dialog.Bar().maximum(), dialog.Bar().value());
    });
    clock.start();
    const int result = dialog.exec();
    const qint64 closedAfter = clock.elapsed();

    EXPECT_EQ(result, PROGRESS_COMPLETED);
    EXPECT_EQ(job.starts, 1);
    EXPECT_EQ(job.aborts, 0);
    EXPECT_EQ(seenRanges, (std::vector<std::pair<int, int>>{{10, 3}, {40, 12}}));
    EXPECT_EQ(dialog.Bar().maximum(), 40);  // the last values stay; not forced to full
    EXPECT_EQ(dialog.Bar().value(), 12);
    EXPECT_GE(closedAfter, 900);
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(ProgressDlgTest, TheButtonAbortsWithResultTwo)
{
    CProgressDlg dialog(job);
    int step = 0;
    WhileOpen(dialog, [&] {
        if (++step == 5)
            QTest::mouseClick(&dialog.Button(), Qt::LeftButton);
    });
    EXPECT_EQ(dialog.exec(), PROGRESS_ABORTED);
    EXPECT_EQ(job.aborts, 1);
    EXPECT_TRUE(job.ended);
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(ProgressDlgTest, EscapeAndTheCloseBoxActLikeTheButton)
{
    for (bool viaEscape : {true, false}) {
        CScriptedJob localJob;
        CProgressDlg dialog(localJob);
        int step = 0;
        WhileOpen(dialog, [&] {
            if (++step != 5)
                return;
            if (viaEscape)
                QTest::keyClick(&dialog, Qt::Key_Escape);
            else
                dialog.close();
        });
        EXPECT_EQ(dialog.exec(), PROGRESS_ABORTED) << viaEscape;
        EXPECT_EQ(localJob.aborts, 1) << viaEscape;
    }
}

TEST_F(ProgressDlgTest, TheButtonWhileCompletedStillMeansNotCompleted)
{
    CProgressDlg dialog(job);
    int step = 0;
    WhileOpen(dialog, [&] {
        ++step;
        if (step == 3)
            job.ended = true;
        if (dialog.Button().text() == QStringLiteral("Completed"))
            QTest::mouseClick(&dialog.Button(), Qt::LeftButton);
    });
    EXPECT_EQ(dialog.exec(), PROGRESS_ABORTED);
    EXPECT_EQ(job.aborts, 1);
}

// A failure is known once the job has ended; it is shown once and is no
// completion.
class ProgressDlgFailureTest : public ProgressDlgTest, public ::testing::WithParamInterface<const char16_t*> {};

TEST_P(ProgressDlgFailureTest, AFailedJobShowsItsErrorOnceAndEndsWithZero)
{
    CProgressDlg dialog(job);
    int step = 0;
    bool completedShown = false;
    WhileOpen(dialog, [&] {
        if (++step == 4)
            job.Fail(GetParam());
        completedShown |= dialog.Button().text() == QStringLiteral("Completed");
    });
    EXPECT_EQ(dialog.exec(), PROGRESS_FAILED);
    EXPECT_EQ(dialogs.errors, (std::vector<QString>{"Error|" + QString::fromStdU16String(GetParam())}));
    EXPECT_FALSE(completedShown);
    EXPECT_EQ(job.aborts, 1);
}

INSTANTIATE_TEST_SUITE_P(Messages, ProgressDlgFailureTest,
                         ::testing::Values(u"Can't read file /books/one.mp3",
                                           u"Couldn't create output file /books/out.m4b"));

TEST_F(ProgressDlgTest, TheBarStaysInsideAChangingRange)
{
    CProgressDlg dialog(job);
    std::vector<std::pair<int, int>> seen;
    int step = 0;
    WhileOpen(dialog, [&] {
        ++step;
        if (step == 5) {
            job.total = 40;
            job.position = 30;
        }
        if (step == 12) {
            seen.emplace_back(dialog.Bar().maximum(), dialog.Bar().value());
            job.total = 20;  // the estimate shrinks below the position
            job.position = 25;
        }
        if (step == 20) {
            seen.emplace_back(dialog.Bar().maximum(), dialog.Bar().value());
            job.total = 50;
            job.position = 60;  // ahead of the estimate
        }
        if (step == 28) {
            seen.emplace_back(dialog.Bar().maximum(), dialog.Bar().value());
            job.ended = true;
        }
    });
    EXPECT_EQ(dialog.exec(), PROGRESS_COMPLETED);
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{40, 30}, {20, 20}, {50, 50}}));
}

TEST_F(ProgressDlgTest, AFailureWithoutMessageIsStillAFailure)
{
    CProgressDlg dialog(job);
    int step = 0;
    WhileOpen(dialog, [&] {
        if (++step == 3)
            job.Fail(u"");  // the engine stopped without a message
    });
    EXPECT_EQ(dialog.exec(), PROGRESS_FAILED);
    EXPECT_EQ(dialogs.errors, (std::vector<QString>{"Error|The conversion failed."}));
}

}  // namespace

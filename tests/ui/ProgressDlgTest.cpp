// The progress dialog's sequences against a scripted job: the start order,
// the bar, completion, the button in every state, and a failing job.
#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>

#include "EngineState.h"
#include "ProgressDlg.h"
#include "UiFixtures.h"

namespace {

class CScriptedJob final : public IConversionJob {
public:
    void Start() override
    {
        ++starts;
        errorEmptyAtStart = g_strError.IsEmpty();
        g_bAbort = 0;
    }
    void Abort() override
    {
        ++aborts;
        g_bAbort = 1;
    }
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
        if (ended && !failureAtEnd.empty()) {
            // The job's last act: storing a failure just before its thread ends.
            FailConversion(failureAtEnd);
            failureAtEnd.clear();
        }
        return ended;
    }

    int starts = 0;
    int aborts = 0;
    bool errorEmptyAtStart = false;
    int position = 0;
    int total = 0;
    bool ended = false;
    std::u16string failureAtEnd;  // stored by the wait that first sees the end
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
    void SetUp() override
    {
        g_strError.Set(u"left over from before");
        g_bAbort = 0;
    }
    void TearDown() override
    {
        g_strError.Clear();
        g_bAbort = 0;
    }
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
    EXPECT_TRUE(job.errorEmptyAtStart);
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
    EXPECT_EQ(g_bAbort.load(), 1);  // left raised until the next start clears it
}

TEST_F(ProgressDlgTest, AFailedJobShowsItsErrorOnceAndEndsWithZero)
{
    CProgressDlg dialog(job);
    int step = 0;
    WhileOpen(dialog, [&] {
        if (++step == 4)
            FailConversion(u"Can't read file /books/one.mp3");
    });
    EXPECT_EQ(dialog.exec(), PROGRESS_FAILED);
    EXPECT_EQ(dialogs.errors, (std::vector<QString>{"Error|Can't read file /books/one.mp3"}));
    EXPECT_EQ(job.aborts, 1);
}

TEST_F(ProgressDlgTest, AFailureArrivingWithTheEndIsNoCompletion)
{
    CProgressDlg dialog(job);
    int step = 0;
    bool completedShown = false;
    WhileOpen(dialog, [&] {
        if (++step == 4) {
            job.failureAtEnd = u"Couldn't create output file /books/out.m4b";
            job.ended = true;
        }
        completedShown |= dialog.Button().text() == QStringLiteral("Completed");
    });
    EXPECT_EQ(dialog.exec(), PROGRESS_FAILED);
    EXPECT_EQ(dialogs.errors, (std::vector<QString>{"Error|Couldn't create output file /books/out.m4b"}));
    EXPECT_FALSE(completedShown);
    EXPECT_EQ(job.aborts, 1);
}

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

TEST_F(ProgressDlgTest, AnAbortWithoutMessageIsNoFailure)
{
    CProgressDlg dialog(job);
    int step = 0;
    WhileOpen(dialog, [&] {
        ++step;
        if (step == 3)
            g_bAbort = 1;  // stopped without a message: keep polling
        if (step == 8)
            job.ended = true;
    });
    EXPECT_EQ(dialog.exec(), PROGRESS_COMPLETED);
    EXPECT_TRUE(dialogs.errors.empty());
}

}  // namespace

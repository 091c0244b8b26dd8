#pragma once
// The modal window shown while a conversion runs: starts the job, shows its
// progress ten times a second, offers "Abort", reports the job's error (and,
// after an abort, where the partial book was kept beside an existing book),
// and closes one second after the job has finished.
#include <QDialog>
#include <QTimer>
#include <memory>

#include "engine/ConversionOutcome.h"

class CConverter;
class QProgressBar;
class QPushButton;

// What the dialog needs of a conversion job.
class IConversionJob {
public:
    virtual ~IConversionJob() = default;
    virtual void Start() = 0;
    virtual void Abort() = 0;
    virtual void GetProgress(int& position, int& total) = 0;
    // True when the job's thread has ended within `milliseconds`
    // (INFINITE_WAIT: no limit).
    virtual bool WaitForEnd(int milliseconds) = 0;
    // How the job ended; asked only once WaitForEnd has returned true.
    virtual sConversionOutcome Outcome() const = 0;
};

// Dialog results.
enum eProgressResult : int {
    PROGRESS_FAILED = 0,     // the job reported an error
    PROGRESS_COMPLETED = 1,  // the job finished
    PROGRESS_ABORTED = 2,    // the user pressed the button, Esc or the close box
};

class CProgressDlg : public QDialog {
public:
    static constexpr int kPollMilliseconds = 100;
    static constexpr int kCloseMilliseconds = 1000;

    // The job is not owned and must outlive the dialog.
    explicit CProgressDlg(IConversionJob& job, QWidget* parent = nullptr);
    explicit CProgressDlg(CConverter& converter, QWidget* parent = nullptr);
    ~CProgressDlg() override;

    QProgressBar& Bar() const { return *m_progress; }
    QPushButton& Button() const { return *m_pButton; }
    bool IsPolling() const { return m_pollTimer.isActive(); }
    bool IsClosing() const { return m_closeTimer.isActive(); }

    // The button, Esc and the close box.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void Init();
    // An ended job that failed with a message: the message shown once, then
    // the abort sequence with result 0. False otherwise.
    bool ReportFailure();
    void OnPollTick();
    void OnClose();
    void AbortSequence(int result);

    std::unique_ptr<IConversionJob> m_pOwnedAdapter;  // set when built on a CConverter
    IConversionJob& m_job;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_pButton = nullptr;
    QTimer m_pollTimer;   // timer 1
    QTimer m_closeTimer;  // timer 2
    bool m_bInitialised = false;
};

#include "ui/ProgressDlg.h"

#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

#include "engine/Converter.h"
#include "ui/DialogFont.h"
#include "base/Event.h"
#include "ui/UserDialogs.h"

namespace {

class CConverterJob final : public IConversionJob {
public:
    explicit CConverterJob(CConverter& converter) : m_converter(converter) {}
    void Start() override { m_converter.Start(); }
    void Abort() override { m_converter.Abort(); }
    void GetProgress(int& position, int& total) override { m_converter.GetProgress(position, total); }
    bool WaitForEnd(int milliseconds) override { return m_converter.WaitForEnd(milliseconds); }
    sConversionOutcome Outcome() const override { return m_converter.Outcome(); }

private:
    CConverter& m_converter;
};

void Place(QWidget* widget, const sLayoutRect& r) { widget->setGeometry(r.x, r.y, r.width, r.height); }

}  // namespace

CProgressDlg::CProgressDlg(CConverter& converter, QWidget* parent)
    : QDialog(parent), m_pOwnedAdapter(std::make_unique<CConverterJob>(converter)), m_job(*m_pOwnedAdapter)
{
    CreateControls();
}

CProgressDlg::CProgressDlg(IConversionJob& job, QWidget* parent) : QDialog(parent), m_job(job) { CreateControls(); }

CProgressDlg::~CProgressDlg() = default;

void CProgressDlg::CreateControls()
{
    setObjectName(QStringLiteral("210"));
    setWindowTitle(QStringLiteral("Encoding..."));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(DialogFont());
    const sDialogUnits du = DialogUnitsOf(font());
    setFixedSize(du.X(237), du.Y(61));

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("1026"));
    m_progress->setTextVisible(false);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    Place(m_progress, du.Rect(7, 15, 223, 14));

    m_pButton = new QPushButton(QStringLiteral("Abort"), this);
    m_pButton->setObjectName(QStringLiteral("2"));
    m_pButton->setDefault(true);
    Place(m_pButton, du.Rect(94, 40, 50, 14));
    connect(m_pButton, &QPushButton::clicked, this, [this] { AbortSequence(PROGRESS_ABORTED); });

    m_pollTimer.setObjectName(QStringLiteral("1"));
    m_pollTimer.setInterval(kPollMilliseconds);
    connect(&m_pollTimer, &QTimer::timeout, this, [this] { OnPollTick(); });
    m_closeTimer.setObjectName(QStringLiteral("2"));
    m_closeTimer.setInterval(kCloseMilliseconds);
    m_closeTimer.setSingleShot(true);
    connect(&m_closeTimer, &QTimer::timeout, this, [this] { OnClose(); });
}

void CProgressDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_bInitialised) {
        m_bInitialised = true;
        Init();
    }
}

void CProgressDlg::Init()
{
    if (QWidget* owner = parentWidget())
        move(owner->frameGeometry().center() - rect().center());
    m_pButton->setFocus();
    m_pollTimer.start();
    m_job.Start();
}

bool CProgressDlg::ReportFailure()
{
    // A failure without a message of its own is still no completion.
    const sConversionOutcome outcome = m_job.Outcome();
    if (outcome.m_eOutcome != eOutcome::Failed)
        return false;
    m_pollTimer.stop();
    m_closeTimer.stop();
    std::u16string message = outcome.m_strError.empty() ? u"The conversion failed." : outcome.m_strError;
    if (const std::u16string note = PartialBookNote(outcome); !note.empty()) {
        if (!message.ends_with(u'\n'))
            message += u'\n';
        message += note;
    }
    UserDialogs().ShowError(this, QStringLiteral("Error"), QString::fromStdU16String(message));
    AbortSequence(PROGRESS_FAILED);
    return true;
}

void CProgressDlg::OnPollTick()
{
    int position = 0;
    int total = 0;
    m_job.GetProgress(position, total);
    if (total > 0) {
        // The total is an estimate that changes as the job learns more
        // files; the bar ignores a value outside its range, so the position
        // is kept inside it.
        m_progress->setRange(0, total);
        m_progress->setValue(std::clamp(position, 0, total));
    }
    if (m_job.WaitForEnd(0)) {
        m_pollTimer.stop();
        // A failure ends the job by itself; it is known once the job has ended.
        if (ReportFailure())
            return;
        m_pButton->setText(QStringLiteral("Completed"));
        m_closeTimer.start();
    }
}

void CProgressDlg::OnClose()
{
    m_closeTimer.stop();
    m_job.WaitForEnd(INFINITE_WAIT);
    done(PROGRESS_COMPLETED);
}

void CProgressDlg::reject() { AbortSequence(PROGRESS_ABORTED); }

void CProgressDlg::AbortSequence(int result)
{
    m_pollTimer.stop();
    m_closeTimer.stop();
    m_job.Abort();
    // Blocks until the job's stages have wound down; they poll the abort
    // flag at least every 10 ms.
    m_job.WaitForEnd(INFINITE_WAIT);
    // A failure has said all there is already.
    if (result == PROGRESS_ABORTED) {
        if (const std::u16string note = PartialBookNote(m_job.Outcome()); !note.empty())
            UserDialogs().ShowError(this, QStringLiteral("Tavlin"), QString::fromStdU16String(note));
    }
    done(result);
}

// The window program: lowers its own priority, then runs the main window
// until it ends; its end code is the exit code. Files and folders given as
// arguments are taken as one drop when the window opens.
#include <QApplication>
#include <QTimer>
#include <cerrno>
#include <sys/resource.h>

#include "ffmpeg/LogLevel.h"
#include "ui/CommandLine.h"
#include "ui/MainDlg.h"

namespace {

// Conversions keep the machine responsive: run a little below normal.
void LowerPriority()
{
    constexpr int kBelowNormal = 5;
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, 0);
    if (errno == 0 && current < kBelowNormal)
        setpriority(PRIO_PROCESS, 0, kBelowNormal);
}

}  // namespace

int main(int argc, char* argv[])
{
    LowerPriority();
    ffmpeg::SetProgramLogLevel();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavlin"));
    const sCommandLine arguments = ParseCommandLine(QApplication::arguments());

    CMainDlg dialog;
    if (!arguments.paths.isEmpty())
        QTimer::singleShot(0, &dialog, [&dialog, paths = arguments.paths] { dialog.OnDropFiles(paths); });
    if (!arguments.screenshot.isEmpty()) {
        QTimer::singleShot(1500, &dialog, [&dialog, file = arguments.screenshot] {
            const bool saved = dialog.grab().save(file);
            dialog.done(saved ? MAIN_DIALOG_END_CODE : 1);
        });
    }
    return dialog.exec();
}

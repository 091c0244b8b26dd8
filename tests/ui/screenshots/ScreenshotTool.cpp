// Takes pictures of the windows as a user sees them, for looking at after a
// change: the empty main window, the window with a book (also at its minimum
// size), the More Details dialog, the About box, the chapter dialog and the
// progress dialog during a real conversion.
// Dialogs are answered by script. Usage: ui_screenshots BOOK_FOLDER OUTPUT_DIR
#include <QApplication>
#include <QDir>
#include <QProgressBar>
#include <QTimer>
#include <cstdio>

#include "ui/AboutDlg.h"
#include "ui/ChapterEditorDlg.h"
#include "ui/MainDlg.h"
#include "ui/MoreDetailsDlg.h"
#include "ui/ProgressDlg.h"
#include "ui/UserDialogs.h"

namespace {

// Saves the book under OUTPUT_DIR and answers No to the question.
class CScriptAnswers final : public IUserDialogs {
public:
    explicit CScriptAnswers(QString output) : m_output(std::move(output)) {}
    QStringList GetOpenFileNames(QWidget*, const QString&) override { return {}; }
    QString GetOpenFileName(QWidget*, const QString&) override { return {}; }
    QString GetExistingFolder(QWidget*) override { return {}; }
    QString GetSaveFileName(QWidget*, const QString&, const QString&, const QString&, const QString&) override
    {
        return m_output;
    }
    bool AskYesNo(QWidget*, const QString&, const QString&) override { return false; }
    void ShowError(QWidget*, const QString& caption, const QString& text) override
    {
        std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
    }
    void ShowInformation(QWidget* parent, const QString& caption, const QString& text) override
    {
        ShowError(parent, caption, text);
    }
    void OpenWithDefaultApplication(const QString&) override {}

private:
    QString m_output;
};

bool Save(QWidget& widget, const QDir& dir, const char* name)
{
    const QString file = dir.filePath(QString::fromLatin1(name));
    const bool saved = widget.grab().save(file);
    std::printf("%s %s\n", saved ? "saved" : "FAILED", qPrintable(file));
    return saved;
}

void Settle(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s BOOK_FOLDER OUTPUT_DIR\n", argv[0]);
        return 1;
    }
    const QString book = QString::fromLocal8Bit(argv[1]);
    QDir out(QString::fromLocal8Bit(argv[2]));
    out.mkpath(QStringLiteral("."));
    CScriptAnswers answers(out.filePath(QStringLiteral("screenshot-book.m4b")));
    SetUserDialogs(&answers);

    bool ok = true;
    CMainDlg dialog;
    dialog.show();
    Settle(500);
    ok &= Save(dialog, out, "main-empty.png");

    dialog.OnDropFiles({book});
    dialog.resize(dialog.size() + QSize(80, 40));
    Settle(500);
    ok &= Save(dialog, out, "main-book.png");

    const QSize normal = dialog.size();
    dialog.resize(1, 1);  // stops at the minimum size
    Settle(300);
    ok &= Save(dialog, out, "main-minimum.png");
    dialog.resize(normal);

    {
        sBookDetails details = dialog.Project().Details();
        details[eDetail::Narrator] = u"Ann Narrator";
        details[eDetail::Description] = u"The first line of the description.\nAnd its second line.";
        CMoreDetailsDlg more(details, &dialog);
        more.show();
        Settle(300);
        ok &= Save(more, out, "more-details.png");
    }

    {
        CAboutDlg about(&dialog);
        about.show();
        Settle(300);
        ok &= Save(about, out, "about.png");
    }

    {
        // Chapters > Edit Chapters, grabbed once it is open.
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* editor = dynamic_cast<CChapterEditorDlg*>(QApplication::activeModalWidget())) {
                poll.stop();
                Settle(300);
                ok &= Save(*editor, out, "chapters.png");
                editor->accept();
            }
        });
        poll.start(50);
        dialog.Command(ID_EDIT_CHAPTERS)->trigger();
    }

    // The progress dialog once its bar has moved.
    bool grabbed = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* progress = dynamic_cast<CProgressDlg*>(QApplication::activeModalWidget());
        if (!grabbed && progress && progress->Bar().value() > progress->Bar().maximum() / 4) {
            grabbed = true;
            ok &= Save(*progress, out, "progress.png");
        }
    });
    watch.start(50);
    dialog.StartConversion();
    watch.stop();
    if (!grabbed)
        std::printf("FAILED: the conversion ended before the progress dialog was grabbed\n");
    SetUserDialogs(nullptr);
    return ok && grabbed ? 0 : 1;
}

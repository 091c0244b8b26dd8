#include "ui/UserDialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace {

class CQtDialogs final : public IUserDialogs {
public:
    QStringList GetOpenFileNames(QWidget* parent, const QString& filter) override
    {
        return QFileDialog::getOpenFileNames(parent, QString(), QString(), filter);
    }

    QString GetOpenFileName(QWidget* parent, const QString& filter) override
    {
        return QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
    }

    QString GetExistingFolder(QWidget* parent) override { return QFileDialog::getExistingDirectory(parent); }

    QString GetSaveFileName(QWidget* parent, const QString& folder, const QString& initialName,
                            const QString& filter, const QString& defaultSuffix) override
    {
        QFileDialog dialog(parent, QString(), folder, filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(defaultSuffix);
        dialog.selectFile(initialName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        return dialog.selectedFiles().first();
    }

    bool AskYesNo(QWidget* parent, const QString& caption, const QString& text) override
    {
        QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, parent);
        box.setTextFormat(Qt::PlainText);
        return box.exec() == QMessageBox::Yes;
    }

    void ShowError(QWidget* parent, const QString& caption, const QString& text) override
    {
        ShowMessage(QMessageBox::Critical, parent, caption, text);
    }

    void ShowInformation(QWidget* parent, const QString& caption, const QString& text) override
    {
        ShowMessage(QMessageBox::Information, parent, caption, text);
    }

    static void ShowMessage(QMessageBox::Icon icon, QWidget* parent, const QString& caption, const QString& text)
    {
        // File names may contain "<" or "&": shown as they are, never as markup.
        QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
        box.setTextFormat(Qt::PlainText);
        box.exec();
    }

    void OpenWithDefaultApplication(const QString& path) override
    {
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    }
};

CQtDialogs g_qtDialogs;
IUserDialogs* g_pDialogs = nullptr;

}  // namespace

IUserDialogs& UserDialogs() { return g_pDialogs ? *g_pDialogs : g_qtDialogs; }

void SetUserDialogs(IUserDialogs* dialogs) { g_pDialogs = dialogs; }

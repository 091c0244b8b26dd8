#pragma once
// The file dialogs and message boxes that the window shows, and the hand-off
// of a file to the desktop, behind one small interface so that tests can
// answer them without a real modal dialog or a player starting.
#include <QString>
#include <QStringList>

class QWidget;

class IUserDialogs {
public:
    virtual ~IUserDialogs() = default;
    // Several existing files; empty list: cancelled.
    virtual QStringList GetOpenFileNames(QWidget* parent, const QString& filter) = 0;
    // One existing file; empty: cancelled.
    virtual QString GetOpenFileName(QWidget* parent, const QString& filter) = 0;
    // An existing folder; empty: cancelled.
    virtual QString GetExistingFolder(QWidget* parent) = 0;
    // A file to write, offered as `initialName` in `folder` (empty: the
    // working folder), `defaultSuffix` added to names without one, with an
    // overwrite prompt; empty: cancelled.
    virtual QString GetSaveFileName(QWidget* parent, const QString& folder, const QString& initialName,
                                    const QString& filter, const QString& defaultSuffix) = 0;
    // A Yes/No question; true for Yes.
    virtual bool AskYesNo(QWidget* parent, const QString& caption, const QString& text) = 0;
    // An error message with an OK button.
    virtual void ShowError(QWidget* parent, const QString& caption, const QString& text) = 0;
    // A message that stops nothing, with an OK button.
    virtual void ShowInformation(QWidget* parent, const QString& caption, const QString& text) = 0;
    // Opens `path` with the desktop's default application for it; a failure
    // is ignored.
    virtual void OpenWithDefaultApplication(const QString& path) = 0;
};

// The dialogs in use: the real Qt dialogs unless a test installed others.
IUserDialogs& UserDialogs();
// Installs `dialogs` (not owned); null restores the real ones.
void SetUserDialogs(IUserDialogs* dialogs);

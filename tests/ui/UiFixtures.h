#pragma once
// Shared pieces of the widget tests: scripted answers for the file dialogs
// and message boxes, and generated books on disk.
#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "ui/UserDialogs.h"

// Answers each dialog with the next scripted answer (cancel when none is
// left) and records what was asked.
class CScriptedDialogs final : public IUserDialogs {
public:
    CScriptedDialogs() { SetUserDialogs(this); }
    ~CScriptedDialogs() override { SetUserDialogs(nullptr); }

    QStringList GetOpenFileNames(QWidget*, const QString& filter) override;
    QString GetOpenFileName(QWidget*, const QString& filter) override;
    QString GetExistingFolder(QWidget*) override
    {
        if (folderAnswers.empty())
            return {};
        QString answer = folderAnswers.front();
        folderAnswers.pop_front();
        return answer;
    }
    QString GetSaveFileName(QWidget*, const QString& folder, const QString& initialName, const QString& filter,
                            const QString& defaultSuffix) override;
    bool AskYesNo(QWidget*, const QString& caption, const QString& text) override;
    void ShowError(QWidget*, const QString& caption, const QString& text) override;
    void ShowInformation(QWidget*, const QString& caption, const QString& text) override
    {
        notices.push_back(caption + "|" + text);
    }
    void OpenWithDefaultApplication(const QString& path) override { opened.push_back(path); }

    std::deque<QStringList> openFilesAnswers;
    std::deque<QString> openFileAnswers;
    std::deque<QString> folderAnswers;
    std::deque<QString> saveAnswers;
    std::deque<bool> yesNoAnswers;

    std::vector<QString> filters;  // of every open or save dialog, in order
    int openFilesCalls = 0;
    int openFileCalls = 0;
    int saveCalls = 0;
    std::vector<QString> saveFolders;
    std::vector<QString> saveInitialNames;
    QString saveSuffix;
    std::vector<QString> questions;  // caption + "|" + text
    std::vector<QString> errors;     // caption + "|" + text
    std::vector<QString> notices;    // caption + "|" + text
    std::vector<QString> opened;     // files handed to the desktop
};

// A picture of one colour (alpha included) saved to `file`.
void SavePicture(const std::filesystem::path& file, int width, int height, QColor colour);
// A short MP3 tone with the given track name tag (none when empty).
void MakeMp3(const std::filesystem::path& file, const std::string& title = {},
             const std::vector<std::string>& extraTags = {});

#include <ostream>
// Readable QString values in test failures.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

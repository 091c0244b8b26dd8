#include "UiFixtures.h"

#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"

QStringList CScriptedDialogs::GetOpenFileNames(QWidget*, const QString& filter)
{
    ++openFilesCalls;
    filters.push_back(filter);
    if (openFilesAnswers.empty())
        return {};
    QStringList answer = openFilesAnswers.front();
    openFilesAnswers.pop_front();
    return answer;
}

QString CScriptedDialogs::GetOpenFileName(QWidget*, const QString& filter)
{
    ++openFileCalls;
    filters.push_back(filter);
    if (openFileAnswers.empty())
        return {};
    QString answer = openFileAnswers.front();
    openFileAnswers.pop_front();
    return answer;
}

QString CScriptedDialogs::GetSaveFileName(QWidget*, const QString& folder, const QString& initialName,
                                          const QString& filter, const QString& defaultSuffix)
{
    ++saveCalls;
    filters.push_back(filter);
    saveFolders.push_back(folder);
    saveInitialNames.push_back(initialName);
    saveSuffix = defaultSuffix;
    if (saveAnswers.empty())
        return {};
    QString answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
}

bool CScriptedDialogs::AskYesNo(QWidget*, const QString& caption, const QString& text)
{
    questions.push_back(caption + "|" + text);
    if (yesNoAnswers.empty())
        return false;
    const bool answer = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return answer;
}

void CScriptedDialogs::ShowError(QWidget*, const QString& caption, const QString& text)
{
    errors.push_back(caption + "|" + text);
}

void SavePicture(const std::filesystem::path& file, int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    const QString name = QString::fromStdString(file.string());
    const QByteArray format = name.section('.', -1).toUpper().toLatin1();
    ASSERT_TRUE(image.save(name, format.constData())) << file;
}

void MakeMp3(const std::filesystem::path& file, const std::string& title, const std::vector<std::string>& extraTags)
{
    std::vector<std::string> args = {"-c:a", "libmp3lame", "-b:a", "32k"};
    if (!title.empty()) {
        args.push_back("-metadata");
        args.push_back("title=" + title);
    }
    for (const std::string& tag : extraTags) {
        args.push_back("-metadata");
        args.push_back(tag);
    }
    testsupport::GenerateTone(file, 0.3, 22050, 1, 440.0, args);
}

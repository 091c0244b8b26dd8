#include "ui/CommandLine.h"

#include <QDir>
#include <QFileInfo>

sCommandLine ParseCommandLine(const QStringList& arguments)
{
    sCommandLine parsed;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--screenshot") && i + 1 < arguments.size())
            parsed.screenshot = arguments[++i];
        else if (!arguments[i].isEmpty())
            parsed.paths << QDir::cleanPath(QFileInfo(arguments[i]).absoluteFilePath());
    }
    return parsed;
}

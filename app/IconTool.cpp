// Build-time helper: writes the program icon as PNG files, one per size, for
// the desktop's icon theme. Usage: tavlin-icons OUTPUT_DIR
#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "ui/AppIcon.h"

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 1;
    }
    QGuiApplication app(argc, argv);
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral(".")))
        return 1;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString name = out.filePath(QStringLiteral("tavlin-%1.png").arg(size));
        if (!DrawAppIcon(size).save(name, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(name));
            return 1;
        }
    }
    return 0;
}

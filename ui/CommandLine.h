#pragma once
// The window program's command line: files and folders to open as one drop,
// and the option that saves a picture of the window.
#include <QString>
#include <QStringList>

struct sCommandLine {
    // Absolute and clean, so that "." or "book/" name the folder itself and
    // its own name becomes the book name.
    QStringList paths;
    QString screenshot;  // --screenshot FILE: save the window's picture and end
};

// `arguments` as QApplication::arguments() gives them, the program first.
sCommandLine ParseCommandLine(const QStringList& arguments);

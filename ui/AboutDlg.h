#pragma once
// The About box: the program icon, "Tavlin v1.03" and an "OK" button.
#include <QDialog>

class CAboutDlg : public QDialog {
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

#include "ui/AboutDlg.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "ui/AppIcon.h"
#include "ui/DialogFont.h"

namespace {
void Place(QWidget* widget, const sLayoutRect& r) { widget->setGeometry(r.x, r.y, r.width, r.height); }
}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About"));
    setFont(DialogFont());
    const sDialogUnits du = DialogUnitsOf(font());
    setFixedSize(du.X(187), du.Y(102));

    auto* group = new QGroupBox(this);
    Place(group, du.Rect(7, 7, 115, 88));

    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon().pixmap(32, 32));
    icon->setGeometry(du.X(55), du.Y(26), 32, 32);

    auto* text = new QLabel(QStringLiteral("Tavlin v1.03"), this);
    text->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    text->setWordWrap(true);
    Place(text, du.Rect(25, 57, 78, 32));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    Place(ok, du.Rect(130, 81, 50, 14));
    connect(ok, &QPushButton::clicked, this, [this] { done(1); });
}

#pragma once
// The font of the program's dialogs and the dialog units it defines.
#include <QFont>

#include "ui/DialogLayout.h"

// A sans-serif font at 8 points.
QFont DialogFont();
// Dialog units measured with `font`'s metrics.
sDialogUnits DialogUnitsOf(const QFont& font);

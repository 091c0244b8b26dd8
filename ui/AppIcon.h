#pragma once
// The program's icon, drawn in code so that every size is sharp: an open
// book under a headphone band with a music note, on a blue rounded square.
#include <QIcon>
#include <QImage>

QImage DrawAppIcon(int size);
// The icon at the usual window sizes (16 to 256 pixels).
QIcon AppIcon();

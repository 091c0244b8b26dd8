#include "ui/AppIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

QImage DrawAppIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);

    QLinearGradient background(0, 8, 0, 248);
    background.setColorAt(0, QColor(0x3a, 0x6e, 0xa5));
    background.setColorAt(1, QColor(0x1d, 0x3b, 0x5e));
    p.setPen(Qt::NoPen);
    p.setBrush(background);
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 44, 44);

    // The two pages mirror each other about the spine.
    const auto page = [](qreal outer, qreal middle, qreal spine) {
        QPainterPath path;
        path.moveTo(outer, 84);
        path.quadTo(middle, 66, spine, 86);
        path.lineTo(spine, 206);
        path.quadTo(middle, 188, outer, 204);
        path.closeSubpath();
        return path;
    };
    p.setBrush(QColor(0xf4, 0xf1, 0xe8));
    p.drawPath(page(40, 84, 124));
    p.setBrush(QColor(0xe6, 0xe1, 0xd2));
    p.drawPath(page(216, 172, 132));

    // Lines of text on the left page.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0xb9, 0xb2, 0xa0), 6, Qt::SolidLine, Qt::RoundCap));
    for (int y : {110, 134, 158}) {
        QPainterPath line;
        line.moveTo(58, y);
        line.quadTo(86, y - 10, 110, y + 2);
        p.drawPath(line);
    }

    // A beamed pair of notes on the right page.
    const QColor orange(0xe8, 0x86, 0x2a);
    p.setPen(QPen(orange, 10, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
    QPainterPath beam;
    beam.moveTo(160, 166);
    beam.lineTo(160, 100);
    beam.lineTo(196, 92);
    beam.lineTo(196, 154);
    p.drawPath(beam);
    p.setPen(Qt::NoPen);
    p.setBrush(orange);
    p.drawEllipse(QPointF(150, 168), 15, 11);
    p.drawEllipse(QPointF(186, 156), 15, 11);

    // Headphone band over the book.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0xf4, 0xf1, 0xe8), 12, Qt::SolidLine, Qt::RoundCap));
    QPainterPath band;
    band.moveTo(52, 92);
    band.quadTo(52, 30, 128, 30);
    band.quadTo(204, 30, 204, 92);
    p.drawPath(band);
    return image;
}

QIcon AppIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(DrawAppIcon(size)));
    return icon;
}

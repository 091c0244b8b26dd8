#include "ui/PictureBoxCtrl.h"

#include <QImageReader>
#include <QPainter>

#include "project/ConversionInputs.h"
#include "project/CoverChoice.h"
#include "ui/CoverFit.h"

QImage BuildCoverPicture(const QImage& image, int boxWidth, int boxHeight)
{
    QImage picture(boxWidth, boxHeight, QImage::Format_ARGB32);
    picture.fill(QColor(0, 0, 0, 255));
    if (image.isNull())
        return picture;
    const sRect rect = RoundCoverRect(FitCoverRect(boxWidth, boxHeight, image.width(), image.height()));
    if (rect.width <= 0 || rect.height <= 0)
        return picture;

    // Flatten onto black first, so transparent parts come out black and
    // the scaler never mixes in colours of invisible pixels.
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::black);
    {
        QPainter painter(&flat);
        painter.drawImage(0, 0, image);
    }
    const std::vector<uint32_t> scaled =
        ResampleBicubic(flat.constBits(), flat.width(), flat.height(), static_cast<int>(flat.bytesPerLine()),
                        rect.width, rect.height);
    for (int y = 0; y < rect.height; ++y) {
        const int ty = rect.top + y;
        if (ty < 0 || ty >= boxHeight)
            continue;
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(ty));
        for (int x = 0; x < rect.width; ++x) {
            const int tx = rect.left + x;
            if (tx >= 0 && tx < boxWidth)
                line[tx] = scaled[static_cast<size_t>(y) * rect.width + x] | 0xff000000u;
        }
    }
    return picture;
}

CPictureBoxCtrl::CPictureBoxCtrl(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CPictureBoxCtrl::SetImage(const QString& path)
{
    m_bitmap = QImage();
    if (path.isNull()) {
        update();
        return;
    }
    QImage image;
    if (IsEmbeddedCover(path.toStdU16String())) {
        // The picture inside an audio file, as the book will get it.
        const sCoverData cover = ReadCoverBytes(path.toStdU16String());
        image.loadFromData(cover.m_data.data(), static_cast<int>(cover.m_data.size()));
    } else if (!path.isEmpty()) {
        QImageReader reader(path);
        reader.setAutoTransform(false);
        image = reader.read();
    }
    m_bitmap = BuildCoverPicture(image, width(), height());
    update();
}

QImage CPictureBoxCtrl::Rendered() const
{
    if (!m_bitmap.isNull())
        return m_bitmap;
    QImage black(size(), QImage::Format_ARGB32);
    black.fill(QColor(0, 0, 0, 255));
    return black;
}

void CPictureBoxCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!m_bitmap.isNull())
        painter.drawImage(0, 0, m_bitmap);
    else
        painter.fillRect(rect(), Qt::black);
}

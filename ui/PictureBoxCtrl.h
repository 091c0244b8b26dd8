#pragma once
// The cover preview: shows a picture file scaled to fit the box, centred,
// aspect kept, on opaque black. The picture is prepared once per SetImage;
// painting only copies it.
#include <QImage>
#include <QString>
#include <QWidget>

class CPictureBoxCtrl : public QWidget {
public:
    explicit CPictureBoxCtrl(QWidget* parent = nullptr);

    // Prepares the picture for `path` (for an audio file, the picture inside
    // it); a null string empties the box. A missing or undecodable file
    // leaves a black picture.
    void SetImage(const QString& path);

    // The prepared picture (null while empty), the size of the box.
    const QImage& Bitmap() const { return m_bitmap; }

    // The box's content as painted: the prepared picture, or black.
    QImage Rendered() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_bitmap;
};

// Builds the preview for an already loaded `image` (null: nothing drawn)
// in a box of `boxWidth` x `boxHeight`.
QImage BuildCoverPicture(const QImage& image, int boxWidth, int boxHeight);

#include "app/ImageView.h"

#include "base/KelpError.h"

#include <QPainter>

#include <cstring>

namespace kelp {

TImage::TImage(QWidget *parent) : QWidget(parent) {}

void TImage::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!Picture.isNull())
        painter.drawImage(0, 0, Picture);
}

void SetupImage(TImage &image)
{
    SetupBitmap(image.Picture, image.width(), image.height());
    image.setAttribute(Qt::WA_OpaquePaintEvent);
    image.update();
}

void SetupBitmap(QImage &bitmap, int width, int height)
{
    // A new surface each time, so no old pixels survive or are converted.
    bitmap = QImage(width, height, QImage::Format_BGR888);
    bitmap.fill(Qt::black);
}

QImage ToQImage(const TNkDIB &picture)
{
    if (picture.BitCount() != 24) {
        TNkDIB wide = picture;
        wide.SetPixelFormat(TPixelFormat::pf24bit);
        return ToQImage(wide);
    }
    QImage image(picture.Width(), picture.Height(), QImage::Format_BGR888);
    const std::size_t rowBytes = static_cast<std::size_t>(picture.Width()) * 3;
    for (int y = 0; y < picture.Height(); ++y)
        std::memcpy(image.scanLine(y), picture.ScanLine(y), rowBytes);
    return image;
}

} // namespace kelp

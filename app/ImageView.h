#pragma once
// TImage: the image control. It shows a QImage at its top-left corner; the
// window's code draws into Picture (24-bit BGR rows, the byte order of
// TBgrTriple) and calls update().
#include "picture/NkDIB.h"

#include <QImage>
#include <QWidget>

namespace kelp {

class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget *parent = nullptr);
    QImage Picture;

protected:
    void paintEvent(QPaintEvent *event) override;
};

// Gives the control a black 24-bit surface of its own size; the control covers
// its whole area, so nothing of the parent is painted beneath it.
void SetupImage(TImage &image);
// (Re)creates an off-screen 24-bit surface, black, of the given size.
void SetupBitmap(QImage &bitmap, int width, int height);

// A 24-bit picture as a QImage (copied row by row); an 8-bit picture through its palette.
QImage ToQImage(const TNkDIB &picture);

} // namespace kelp

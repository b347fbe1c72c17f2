#include "app/AboutWin.h"

#include "app/UiSupport.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include <algorithm>

namespace kelp {

TAbout::TAbout(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint)
{
    setWindowTitle(QStringLiteral("About..."));
    setFont(UiFont());
    // Control geometry in layout order: left, top, width, height.
    Label1 = new QLabel(QStringLiteral("Quiltdeck2用TextViewerPlugin kelpview"), this);
    Label1->adjustSize();
    Label1->move(8, 8);
    Label2 = new QLabel(QStringLiteral("ColorEditor ver0.04"), this);
    Label2->adjustSize();
    Label2->move(8, 32);
    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), this);
    BitBtn1->setGeometry(128, 32, 75, 25);
    BitBtn1->setDefault(true);
    BitBtn1->setFocus();
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

    // 209 x 64 as laid out; the stand-in Japanese font sets the title a little
    // wider than the original, so the box grows to keep it whole.
    setFixedSize(std::max(209, Label1->geometry().right() + 9), 64);
}

} // namespace kelp

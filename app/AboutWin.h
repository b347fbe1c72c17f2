#pragma once
// TAbout: the modal box with the program's title and version.
#include <QDialog>

class QLabel;
class QPushButton;

namespace kelp {

class TAbout : public QDialog {
    Q_OBJECT
public:
    explicit TAbout(QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QPushButton *BitBtn1 = nullptr;
};

} // namespace kelp

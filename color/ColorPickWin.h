#pragma once
// TColorPick: the modal colour picker. Its controls come with the picker itself;
// the main window creates it at start-up and reuses it for every pick.
#include <QDialog>

namespace kelp {

class TColorPick : public QDialog {
    Q_OBJECT
public:
    explicit TColorPick(QWidget *parent = nullptr);
};

} // namespace kelp

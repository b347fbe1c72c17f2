#pragma once
// TLoadBM: the modal background import dialog. Its controls come with the import
// itself; the main window creates it at start-up and reuses it for every import.
#include <QDialog>

namespace kelp {

class TLoadBM : public QDialog {
    Q_OBJECT
public:
    explicit TLoadBM(QWidget *parent = nullptr);
};

} // namespace kelp

#include "import/LoadBMWin.h"

namespace kelp {

TLoadBM::TLoadBM(QWidget *parent) : QDialog(parent) {}

} // namespace kelp

#include "color/ColorPickWin.h"

namespace kelp {

TColorPick::TColorPick(QWidget *parent) : QDialog(parent) {}

} // namespace kelp

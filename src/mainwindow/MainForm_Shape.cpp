// The window's shape, and moving the window by dragging its body.
#include "mainwindow/MainForm.h"

namespace vorlix {

void TMainForm::setupShape() {}
void TMainForm::removeShape() {}

} // namespace vorlix

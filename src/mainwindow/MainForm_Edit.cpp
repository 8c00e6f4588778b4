// Editing in the view: pan and select modes, the marquee, clipboard, undo
// and the colour swatches.
#include "mainwindow/MainForm.h"

namespace vorlix {

void TMainForm::Undo1Click() {}
void TMainForm::Cut1Click() {}
void TMainForm::Copy1Click() {}
void TMainForm::Paste1Click() {}
void TMainForm::Delete1Click() {}
void TMainForm::SelectAll1Click() {}
void TMainForm::Deselect1Click() {}

} // namespace vorlix

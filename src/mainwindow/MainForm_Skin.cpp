// Opening and saving whole skins: folders and archives.
#include "mainwindow/MainForm.h"

namespace vorlix {

void TMainForm::OpenSkin1Click() {}
void TMainForm::SaveSkin1Click() {}
void TMainForm::OpenZIPSkin1Click() {}
void TMainForm::SaveZIPSkin1Click() {}
bool TMainForm::canClose() { return true; }

} // namespace vorlix

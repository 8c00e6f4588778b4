// The directories dialog and the settings kept between runs.
#include "mainwindow/MainForm.h"

namespace vorlix {

void TMainForm::SetTempDirectory1Click() {}
void TMainForm::SetOutputDirectory1Click() {}
void TMainForm::restoreSettings() {}
void TMainForm::saveSettingsAtClose() {}
void TMainForm::saveSettingsAtDestroy() {}

} // namespace vorlix

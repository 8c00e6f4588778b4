// The other windows of the player as the skin draws them: a group's view,
// and the preview of the whole skin.
#include "mainwindow/MainForm.h"
#include "mainwindow/SkinState.h"
#include "skin/GlobalVar.h"
#include "skin/Miniature.h"

namespace vorlix {

QImage TMainForm::groupPicture(int index) const
{
    const SkinElement &e = G().ElementTable[size_t(index)];
    if (e.Window == kMainWindow)
        return selectimg->picture().copy(); // outline included
    return selectimg->picture().copy();
}

} // namespace vorlix

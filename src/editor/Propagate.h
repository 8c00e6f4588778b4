#pragma once
// Writing an imported picture into the skin sheets: every state of an element
// and, depth first, of the elements below it. Pure pixel work on GlobalVar.
#include "skin/ElementTable.h"
#include "skin/GlobalVar.h"

namespace vorlix {

// Writes g.ImportPicture into the states of element `index` and of its
// children. The first call after g.StartAtCurrentState was set begins at
// g.CurrentState and clears the flag; every other call writes all states.
void PropagateImport(GlobalVar &g, int index);

// Stretches one rectangle of g.ImportPicture into rectangle `destination` of
// sheet `sheet`. The source is the element's window rectangle, read at its
// own corner when g.SourceAtWindowRect is set and at (0, 0) otherwise.
void StretchIntoSheet(GlobalVar &g, SheetKind sheet, const Rect &source, const Rect &destination);

} // namespace vorlix

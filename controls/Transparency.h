// Pseudo-transparency of the skinned windowed controls: a control without
// a background of its own paints in two passes. The first pass asks the
// parent window to repaint the control's area (the parent must paint under
// its children, i.e. lack WS_CLIPCHILDREN, for its picture to show) and then
// the control again; the second pass draws the control over what the parent
// left there.
#pragma once

#include "framework/Controls.h"

// Runs the first pass when it is due: RedrawPass is 0, the parent's window
// exists and the control is not painted as a copy (csPaintCopy). Then
// RedrawPass becomes 1 and the answer is true: the caller draws nothing
// now. Otherwise RedrawPass goes back to 0 and the caller draws.
bool StartParentPass(TWinControl* Control, int& RedrawPass);

// Marks the control's area in its parent window for painting, without
// erasing, when the parent's window exists.
void InvalidateInParent(TControl* Control);

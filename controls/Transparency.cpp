#include "controls/Transparency.h"

#include "platform/Painting.h"

bool StartParentPass(TWinControl* Control, int& RedrawPass) {
  TWinControl* parent = Control->Parent();
  const bool due = RedrawPass == 0 && parent && parent->HandleAllocated() &&
                   !Control->ControlState().Contains(csPaintCopy);
  if (!due) {
    RedrawPass = 0;
    return false;
  }
  RedrawPass = 1;
  const TRect bounds = Control->BoundsRect();
  win::RedrawWindow(parent->Handle(), &bounds, nullptr, win::RDW_INVALIDATE | win::RDW_ERASE | win::RDW_INTERNALPAINT);
  win::InvalidateRect(parent->Handle(), &bounds, win::TRUE);
  Control->Invalidate();
  return true;
}

void InvalidateInParent(TControl* Control) {
  TWinControl* parent = Control->Parent();
  if (!parent || !parent->HandleAllocated()) return;
  const TRect bounds = Control->BoundsRect();
  win::InvalidateRect(parent->Handle(), &bounds, win::FALSE);
}

// The lozenge's form resource: builds the window's children with their
// design-time properties and handlers, as a form reader would, while they
// are loading, then finishes the load.
#pragma once

class TFormKORULozenge;

void LoadFormKORULozenge(TFormKORULozenge* Form);

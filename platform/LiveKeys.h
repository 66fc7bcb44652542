// The virtual-key codes of the live display's keys.
#pragma once

#include <SDL2/SDL_keycode.h>

namespace win::live {

// The virtual-key code of a key of the person's keyboard, by the key's place
// on a US keyboard (so that shortcuts do not move with the layout); 0 for a
// key the platform has no code for.
int VirtualKeyOf(SDL_Scancode scancode);

}  // namespace win::live

// Windows virtual-key codes for the keys of the keyboard.
#pragma once

namespace os {

// The virtual-key code of an SDL key code, or 0 for a key the program has no code for. Letters
// give 'A'..'Z', digits '0'..'9', Return and keypad Enter both VK_RETURN.
int VirtualKeyFromSdlKey(int sdlKeyCode);

// The same, for a key named as SDL names it ("Escape", "Keypad +", "A"); 0 for an unknown name.
int VirtualKeyFromKeyName(const char* sdlKeyName);

}  // namespace os

// The program's own message box: its caption and its one OK button. Modal on a display; in batch
// runs it prints the text to stderr and returns at once.
#pragma once

#include "platform/os/win32.h"

inline void ShowMessage(const char* text, HWND owner = nullptr) {
  MessageBoxW(owner, text, "Orvell", MB_OK);
}

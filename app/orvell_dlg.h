// The setup dialog: lists the graphics adapter's display modes, preselects 1024 x 768 at the
// desktop's refresh rate, and on OK reads back the chosen mode and the "Full Screen" box. Plain
// code over the dialog framework (platform/ui/dialog.h), so it runs without a display in tests.
#pragma once

#include <string>
#include <vector>

#include "platform/ui/dialog.h"

// The display modes as the dialog lists them.
struct ModeList {
  // "%dx%dx%dhz" (width, height, refresh rate), in the adapter's order, duplicates included. A
  // mode whose text would not fit the list's 15 characters is left out, since a cut text would
  // read back as another mode.
  std::vector<std::string> entries;
  // The entry to preselect: the last 1024 x 768 mode at the desktop's refresh rate, else 0; -1
  // when the listing broke off early.
  int selection = -1;
};

// Asks Direct3D for adapter 0's modes in D3DFMT_X8R8G8B8. Empty (selection -1) without Direct3D
// or without the desktop mode; a failing fetch ends the list early.
ModeList ListDisplayModes();

class COrvellDlg final : public ui::DialogProcedure {
 public:
  // Shows the dialog on the host: IDOK, IDCANCEL, or -1 with the reason in error when it cannot
  // be shown.
  int DoModal(ui::DialogHost& host, std::string* error);

  void OnInitDialog(ui::DialogControls& controls) override;
  // Reads the selected entry into width, height and refreshRate and the box into fullScreen.
  // Without an entry to read (an empty list) it keeps 1024 x 768 at 60 Hz, windowed: full screen
  // in a mode the adapter did not offer would be a guess.
  void OnOK(const ui::DialogControls& controls) override;

  // The chosen mode, set by OnOK.
  int width = 0;
  int height = 0;
  int refreshRate = 0;
  int fullScreen = 0;  // 1 when the box was ticked
};

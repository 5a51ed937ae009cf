// The application object: asks for the display mode (the setup dialog, or the command line) and
// runs the show in it.
#pragma once

#include "platform/ui/dialog.h"

struct DisplayMode {
  int width = 1024;
  int height = 768;
  int refreshRate = 60;
};

// What the command line decided about the start.
struct StartupChoice {
  bool listModes = false;  // print the setup dialog's modes instead of running
  bool skipSetup = false;  // run in mode at once instead of asking
  DisplayMode mode;
  bool fullScreen = false;
};

class COrvellApp {
 public:
  // dialogs shows the setup dialog; it must outlive the object.
  COrvellApp(const StartupChoice& choice, ui::DialogHost& dialogs)
      : choice_(choice), dialogs_(dialogs) {}

  // Runs the whole program; returns the process exit status: 0 after the show or a cancelled
  // dialog, 1 when the dialog cannot be shown or the show cannot start.
  int InitInstance();

 private:
  StartupChoice choice_;
  ui::DialogHost& dialogs_;
};

// The application object: asks for the display mode (the setup dialog, or the command line) and
// runs the show in it.
#pragma once

#include "app/command_line.h"
#include "platform/ui/dialog.h"

class COrvellApp {
 public:
  // dialogs shows the setup dialog; it must outlive the object.
  COrvellApp(const Options& options, ui::DialogHost& dialogs)
      : options_(options), dialogs_(dialogs) {}

  // Runs the whole program; returns the process exit status: 0 after the show or a cancelled
  // dialog, 1 when the dialog cannot be shown or the show cannot start.
  int InitInstance();

 private:
  Options options_;
  ui::DialogHost& dialogs_;
};

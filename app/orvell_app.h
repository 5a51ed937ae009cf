// The application object: asks for the display mode (the setup dialog, or the command line) and
// runs the show in it.
#pragma once

#include "app/command_line.h"

class COrvellApp {
 public:
  explicit COrvellApp(const Options& options) : options_(options) {}

  // Runs the whole program; returns the process exit status.
  int InitInstance();

 private:
  Options options_;
};

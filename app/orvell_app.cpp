// Start-up of the application object.
#include "app/orvell_app.h"

#include <cstdio>
#include <string>

#include "app/orvell_dlg.h"
#include "app/scene_manager.h"
#include "platform/os/win32.h"

int COrvellApp::InitInstance() {
  if (choice_.listModes) {
    for (const std::string& entry : ListDisplayModes().entries) std::printf("%s\n", entry.c_str());
    return 0;
  }
  SceneManager* manager = SceneManager::Instance();
  if (choice_.skipSetup) {
    const DisplayMode& mode = choice_.mode;
    return manager->Run(mode.width, mode.height, mode.refreshRate, choice_.fullScreen ? 1 : 0);
  }

  COrvellDlg dialog;
  std::string error;
  switch (dialog.DoModal(dialogs_, &error)) {
    case IDOK:
      return manager->Run(dialog.width, dialog.height, dialog.refreshRate, dialog.fullScreen);
    case IDCANCEL:
      return 0;
    default:
      std::fprintf(stderr, "orvell: %s\n", error.c_str());
      return 1;
  }
}

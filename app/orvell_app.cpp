// Start-up of the application object.
#include "app/orvell_app.h"

#include "app/scene_manager.h"

int COrvellApp::InitInstance() {
  // Until the setup dialog exists every start runs as if the dialog had been skipped.
  DisplayMode mode = options_.mode.value_or(DisplayMode{});
  return SceneManager::Instance()->Run(mode.width, mode.height, mode.refreshRate,
                                       options_.fullScreen ? 1 : 0);
}

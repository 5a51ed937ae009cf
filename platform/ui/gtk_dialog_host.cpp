// The dialogs' module, loaded for the first dialog and kept until the program ends.
#include "platform/ui/gtk_dialog_host.h"

#include "platform/os/module.h"
#include "platform/ui/gtk_dialog_module.h"

namespace ui {

GtkDialogHost::GtkDialogHost() = default;
GtkDialogHost::~GtkDialogHost() = default;

int GtkDialogHost::DoModal(const DialogTemplate& dialog, DialogProcedure& procedure,
                           std::string* error) {
  if (!host_) {
    static const os::Module module(kDialogModuleFile);
    std::string problem;
    auto create = reinterpret_cast<decltype(&OrvellNewDialogHost)>(
        module.Entry(kDialogModuleEntry, &problem));
    if (!create) {
      *error = "cannot show the setup dialog: " + problem;
      return -1;
    }
    host_.reset(create(os::FindResources));
  }
  return host_->DoModal(dialog, procedure, error);
}

}  // namespace ui

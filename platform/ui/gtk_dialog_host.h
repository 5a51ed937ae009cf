// Shows our dialogs with GTK 3 on the display the platform already opened, through the module
// orvell-dialogs.so, loaded for the first dialog. GTK starts with the first dialog and leaves the
// C locale alone, so number parsing elsewhere is unaffected; each dialog's window is gone from
// the display, its events handled, before DoModal returns, so the show's own window opens on a
// quiet display.
#pragma once

#include <memory>
#include <string>

#include "platform/ui/dialog.h"

namespace ui {

class GtkDialogHost final : public DialogHost {
 public:
  GtkDialogHost();
  ~GtkDialogHost() override;
  // Without the module, -1 with the reason, as when no display can show the dialog.
  int DoModal(const DialogTemplate& dialog, DialogProcedure& procedure,
              std::string* error) override;

 private:
  std::unique_ptr<DialogHost> host_;
};

}  // namespace ui

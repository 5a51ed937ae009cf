// Shows our dialogs with GTK 3 on the display the platform already opened. GTK starts with the
// first dialog and leaves the C locale alone, so number parsing elsewhere is unaffected; each
// dialog's window is gone from the display, its events handled, before DoModal returns, so the
// show's own window opens on a quiet display.
#pragma once

#include "platform/ui/dialog.h"

namespace ui {

class GtkDialogHost final : public DialogHost {
 public:
  int DoModal(const DialogTemplate& dialog, DialogProcedure& procedure,
              std::string* error) override;
};

}  // namespace ui

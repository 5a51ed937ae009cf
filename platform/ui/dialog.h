// The dialog framework the setup dialog is written against: the dialog's code fills and reads its
// controls through DialogControls and answers the dialog's opening and its OK through
// DialogProcedure; a DialogHost shows it modally. GTK hosts it on a display (gtk_dialog_host.h);
// tests host it in memory. Everything here runs on the program's one thread.
#pragma once

#include <string>

namespace ui {

// The fixed part of a dialog, what a dialog resource holds. Texts are UTF-8.
struct DialogTemplate {
  std::string caption;
  int logoResource = 0;  // bitmap id in platform/os/resources.h, shown at the left
  std::string checkBoxText;
  std::string okText;
  std::string cancelText;
};

// The controls of an open dialog: a drop-down list (no editing, no sorting), a check box that
// starts unticked, and the dialog's icon.
class DialogControls {
 public:
  virtual ~DialogControls() = default;
  // Appends an entry at the end of the list.
  virtual void AddListEntry(const std::string& text) = 0;
  // Selects the entry at index (from 0); an index outside the list selects nothing.
  virtual void SelectListEntry(int index) = 0;
  // The selected entry's text; empty while nothing is selected.
  virtual std::string ListText() const = 0;
  virtual bool CheckBoxTicked() const = 0;
  // Shows the icon resource (platform/os/resources.h) as the dialog's large and small icon.
  virtual void SetIcon(int iconResource) = 0;
};

// The dialog's own code, called by the host while the dialog exists.
class DialogProcedure {
 public:
  virtual ~DialogProcedure() = default;
  // The controls exist and the dialog is not shown yet.
  virtual void OnInitDialog(DialogControls& controls) = 0;
  // OK was chosen and the controls still hold what the user left in them; the dialog then ends
  // with IDOK.
  virtual void OnOK(const DialogControls& controls) = 0;
};

class DialogHost {
 public:
  virtual ~DialogHost() = default;
  // Shows the dialog until OK (returns IDOK) or until Cancel, the close box or Escape (returns
  // IDCANCEL). When it returns the dialog is gone from the screen. Returns -1 without showing
  // anything when no dialog can be shown here, with the reason in error.
  virtual int DoModal(const DialogTemplate& dialog, DialogProcedure& procedure,
                      std::string* error) = 0;
};

}  // namespace ui

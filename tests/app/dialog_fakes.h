// In-memory stand-ins for the dialog framework: controls that keep what the dialog's code put in
// them, and a host on which a scripted person answers the dialog.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/os/win32.h"
#include "platform/ui/dialog.h"

class FakeControls : public ui::DialogControls {
 public:
  void AddListEntry(const std::string& text) override { entries.push_back(text); }
  void SelectListEntry(int index) override {
    selected = index >= 0 && index < int(entries.size()) ? index : -1;
  }
  std::string ListText() const override { return selected >= 0 ? entries[selected] : ""; }
  bool CheckBoxTicked() const override { return ticked; }
  void SetIcon(int iconResource) override { icon = iconResource; }

  std::vector<std::string> entries;
  int selected = -1;
  bool ticked = false;
  int icon = 0;
};

// Opens the dialog on fresh controls, lets the person act on them and press a button (IDOK or
// IDCANCEL), and runs the dialog's OK as the GTK host does.
class FakeDialogHost : public ui::DialogHost {
 public:
  int DoModal(const ui::DialogTemplate& dialog, ui::DialogProcedure& procedure,
              std::string* error) override {
    ++shown;
    shownTemplate = dialog;
    if (!failure.empty()) {
      *error = failure;
      return -1;
    }
    FakeControls controls;
    procedure.OnInitDialog(controls);
    int button = person(controls);
    if (button == IDOK) procedure.OnOK(controls);
    return button;
  }

  std::function<int(FakeControls&)> person = [](FakeControls&) { return IDOK; };
  std::string failure;  // non-empty: the host cannot show dialogs and says this
  int shown = 0;
  ui::DialogTemplate shownTemplate;
};

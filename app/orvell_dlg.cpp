// The setup dialog's listing of the display modes and its OK.
#include "app/orvell_dlg.h"

#include <climits>
#include <cstdio>

#include "app/release_and_clear.h"
#include "platform/d3d9/d3d9.h"

namespace {

constexpr int kIconResource = 128;
constexpr int kLogoResource = 136;

const ui::DialogTemplate kSetupDialog{"Orvell", kLogoResource, "Full Screen", "OK", "Cancel"};

// Entries are formatted into, and read back from, a buffer of this size, terminator included.
constexpr std::size_t kEntrySize = 16;
const char kEntryFormat[] = "%dx%dx%dhz";

// False when the text of the mode would be cut or its numbers would not read back as the same.
bool FormatEntry(const D3DDISPLAYMODE& mode, char (&text)[kEntrySize]) {
  if (mode.Width > INT_MAX || mode.Height > INT_MAX || mode.RefreshRate > INT_MAX) return false;
  int length = std::snprintf(text, sizeof text, kEntryFormat, int(mode.Width), int(mode.Height),
                             int(mode.RefreshRate));
  return length >= 0 && std::size_t(length) < sizeof text;
}

// The default adapter's modes as the dialog lists them; the list so far when a query fails.
ModeList ListModesOf(IDirect3D9* direct3d) {
  ModeList list;
  D3DDISPLAYMODE desktop;
  if (FAILED(direct3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &desktop))) return list;

  int selection = 0;
  const UINT count = direct3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8);
  for (UINT i = 0; i < count; ++i) {
    D3DDISPLAYMODE mode;
    if (FAILED(direct3d->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, i, &mode))) {
      return list;
    }
    char text[kEntrySize];
    if (!FormatEntry(mode, text)) continue;
    if (mode.Width == 1024 && mode.Height == 768 && mode.RefreshRate == desktop.RefreshRate) {
      selection = int(list.entries.size());
    }
    list.entries.emplace_back(text);
  }
  list.selection = selection;
  return list;
}

}  // namespace

ModeList ListDisplayModes() {
  IDirect3D9* direct3d = Direct3DCreate9(D3D_SDK_VERSION);
  ModeList list = direct3d ? ListModesOf(direct3d) : ModeList{};
  ReleaseAndClear(direct3d);
  return list;
}

int COrvellDlg::DoModal(ui::DialogHost& host, std::string* error) {
  return host.DoModal(kSetupDialog, *this, error);
}

void COrvellDlg::OnInitDialog(ui::DialogControls& controls) {
  controls.SetIcon(kIconResource);
  ModeList modes = ListDisplayModes();
  for (const std::string& entry : modes.entries) controls.AddListEntry(entry);
  if (modes.selection >= 0) controls.SelectListEntry(modes.selection);
}

void COrvellDlg::OnOK(const ui::DialogControls& controls) {
  char text[kEntrySize] = {};
  std::snprintf(text, sizeof text, "%s", controls.ListText().c_str());
  int chosenWidth, chosenHeight, chosenRate;
  if (std::sscanf(text, kEntryFormat, &chosenWidth, &chosenHeight, &chosenRate) != 3) {
    width = 1024;
    height = 768;
    refreshRate = 60;
    fullScreen = 0;
    return;
  }
  width = chosenWidth;
  height = chosenHeight;
  refreshRate = chosenRate;
  fullScreen = controls.CheckBoxTicked() ? 1 : 0;
}

// The entry point of the module that shows our dialogs with GTK (orvell-dialogs.so): GTK and the
// libraries behind it take about ten milliseconds to load, which a start without the setup
// dialog would pay otherwise.
#pragma once

#include <vector>

#include "platform/os/resources.h"
#include "platform/ui/dialog.h"

namespace ui {

// The program's images stored under an id (os::FindResources), which live in the program.
using ResourceFinder = std::vector<const os::EmbeddedResource*> (*)(int id);

constexpr char kDialogModuleFile[] = "orvell-dialogs.so";
constexpr char kDialogModuleEntry[] = "OrvellNewDialogHost";

}  // namespace ui

// The module's one exported function: a host for our dialogs, owned by the caller.
extern "C" ui::DialogHost* OrvellNewDialogHost(ui::ResourceFinder find);

// The disk checker: reads a disk the way the show reads it — the same configuration reader, the
// same picture, effect and music loaders, the same spectrum the equalizer shows — and reports
// every problem it finds in one pass, so that a disk maker learns of them without watching.
#pragma once

#include <string>

// Checks the disk in folder. Prints each problem on stdout as one line,
//   FILE[:LINE]: error|warning: what is wrong — what the show will do — how to fix it
// in the order the show opens the files, then a summary line (songs, total playing time, errors,
// warnings). With a picturesFolder, also writes the disk's atlas, credits picture and font there
// with the rectangles the show cuts drawn over them. Needs no display and no sound card: the
// music is decoded offline. Returns 0 without errors (warnings allowed), 1 with errors, 2 when
// the folder cannot be read at all.
int CheckDisk(const std::string& folder, const std::string& picturesFolder);

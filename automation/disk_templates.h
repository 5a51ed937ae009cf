// Pictures for disk makers: templates of the disk's pictures in which every rectangle the show
// cuts out is outlined and labelled with its name and size in texels, the same drawn over a
// disk's own pictures, and a new disk to start from.
#pragma once

#include <set>
#include <string>

#include "platform/d3d9/frame_capture.h"

// Copies the disk in sourceFolder into folder (created; if it exists it must be empty), leaving
// out the demo disk's README, and writes the templates into folder/templates. Says what it did on
// stdout and returns the exit status: 0, or 1 with the reason on stderr.
int WriteNewDisk(const std::string& folder, const std::string& sourceFolder);

// Into folder: tit-template.png (2048 × 1024), credits-template.png (1024 × 1024),
// font-template.png (512 × 512, each cell's trim band shaded) and cloudring-template.png
// (512 × 512). False with a reason when a file cannot be written.
bool WriteTemplates(const std::string& folder, std::string* error);

// A disk's own pictures as the show's loader decoded them, with the rectangles it cuts drawn over
// them; the rectangles named in flagged are drawn in red. An empty image is skipped. Writes
// tit-rectangles.png, credits-rectangles.png and font-cells.png into folder.
struct DiskPictures {
  d3d9::FrameImage titleAtlas, credits, font;
  std::set<std::string> flagged;
};
bool WritePictureOverlays(const DiskPictures& pictures, const std::string& folder,
                          std::string* error);

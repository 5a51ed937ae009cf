// The trace's view of a frame's drawing: the quads and meshes queued so far, in drawing order.
#pragma once

#include "automation/json_line.h"

// Adds "quads" ([x, y, w, h, texLeft, texTop, texRight, texBottom, r, g, b, a, texture, z] each)
// and "meshes" ({"texture", "fvf", "stride", "primitives", "world"} each) to an open trace line.
// Textures are named by their data file's stem ("tit", "font", "credits", "cloudring"), or null.
void TraceQueuedDrawing(JsonLine& line);

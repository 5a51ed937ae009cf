// What the four intro scenes share: the timeline clock, the aspect factor, the skip keys, the cue
// test, and the pictures more than one of them draws.
#pragma once

#include <cstdint>

#include "app/scene.h"
#include "graphics/drawing_operations.h"

// Index of the player screen in the scene list; the skip keys hand over to it.
constexpr std::uint32_t kMainSceneIndex = 5;

// Title-atlas rectangles on its 2048 × 1024 texel grid.
constexpr TexRect kBackgroundStrip{0.95458984375f, 0.0263671875f, 0.98583984375f, 0.771484375f};
constexpr TexRect kClosingPicture{0.5908203125f, 0.595703125f, 0.8837890625f, 0.9814453125f};

// Seconds since the first frame: every cue of the intro is a fixed value of it, not a time since
// a scene started.
float TimelineSeconds();

// A white picture from the title atlas with the given opacity, laid out for 4:3: x and w are
// divided by the aspect factor, y and h are not.
void DrawLayoutQuad(float x, float y, float w, float h, const TexRect& picture, float alpha);

// The background strip stretched over the whole screen.
void DrawBackground(float alpha);

// The captions' closing picture, 600 × 395 texels, one texel a pixel at 1024 × 768. The presents
// scene draws it again at the same place to fade it out over its own background. A negative
// alpha draws nothing: blending clamps the quad's alpha to 0.
void DrawClosingPicture(float alpha);

// Escape or Space was released in this frame.
bool SkipKeyReleased();

// The last step of an intro scene's update: once the timeline passes the scene's cue, hand over to
// its successor; otherwise a released skip key hands over to the player screen.
void CueTest(const FadingScene& scene, float cueSeconds, std::uint32_t successor);

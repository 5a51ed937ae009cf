// What the four intro scenes share: the aspect factor, the skip keys and the cue test.
#pragma once

#include <cstdint>

#include "app/scene.h"

// Index of the player screen in the scene list; the skip keys hand over to it.
constexpr std::uint32_t kMainSceneIndex = 5;

// (width / height) · 3/4 of the chosen mode: x positions and widths are divided by it so the
// 4:3 layout keeps its proportions and stays centred.
float AspectFactor();

// Escape or Space was released in this frame.
bool SkipKeyReleased();

// The last step of an intro scene's update: once the timeline passes the scene's cue, hand over to
// its successor; otherwise a released skip key hands over to the player screen.
void CueTest(const FadingScene& scene, float cueSeconds, std::uint32_t successor);

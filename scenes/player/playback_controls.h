// The player's transport: the song switch, the end-of-song advance, the keys Enter, P, Left and
// Right, the four transport buttons and the two volume buttons. All of it works on PlayerState
// and the audio calls. On a disk without songs every control that would address a song does
// nothing; the volume buttons still work.
#pragma once

#include "content/player_state.h"

// The selected song, or null when the table has no entry for currentSong (no songs).
Song* CurrentSong();

// Stops the current song, starts song i's information text from the top, selects it and, while
// playing, starts it from its beginning. playing is not changed. Ignored for an index outside
// the table.
void SwitchToSong(int i);
// (songCount + currentSong − 1) mod songCount and (currentSong + 1) mod songCount; 0 without
// songs.
int PreviousSong();
int NextSong();

// Frame step 4: a song that is meant to play but is no longer active is followed by the next.
void AdvanceAtSongEnd();
// Frame step 8: the transport keys, then the stop, play, previous and next buttons at the alpha.
void TransportControls(float fade);
// Frame step 12: the louder and softer buttons, in steps of 10 from 0 to 100.
void VolumeButtons(float fade);

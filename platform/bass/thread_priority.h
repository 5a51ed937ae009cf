// Scheduling for the engine's own threads, which must have the processor when they need it even
// on a busy machine.
#pragma once

namespace bass {

// The calling thread: real-time round-robin scheduling at priority (1 to 99; sound servers keep
// their mixing threads low among real-time ones) where the system allows it (privilege or a
// real-time limit), else the highest priority SDL gives its own threads, else none.
void RaiseToRealTime(int priority);

}  // namespace bass

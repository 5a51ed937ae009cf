// Real-time scheduling through pthreads, else SDL's thread priorities.
#include "platform/bass/thread_priority.h"

#include <SDL2/SDL.h>
#include <pthread.h>
#include <sched.h>

namespace bass {

void RaiseToRealTime(int priority) {
  sched_param param{};
  param.sched_priority = priority;
  if (pthread_setschedparam(pthread_self(), SCHED_RR, &param) == 0) return;
  SDL_SetThreadPriority(SDL_THREAD_PRIORITY_TIME_CRITICAL);
}

}  // namespace bass

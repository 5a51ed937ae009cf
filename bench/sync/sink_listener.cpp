// The sync measurement's ear: records a sound server's source (the monitor of the harness's null
// sink) and writes when what it hears was played, in seconds of CLOCK_MONOTONIC.
//
//   sink_listener --source NAME [--threshold X] [--gap-ms G]
//
// writes "ready" once the times it gives hold steady, so that a caller starts what it measures
// only then, and then one line "onset SECONDS" for every sound: the first sample above the
// threshold (default 0.05) after at least G ms (default 200) at or below it. Runs until SIGTERM or
// SIGINT. A sample's time is the moment the sink played it: the record stream's latency, as the
// server reports and libpulse interpolates it (on a monitor source it counts the sink's own
// buffer), taken at the moment each fragment is read, and the frames of the fragment following
// at the stream's rate. Exit status 0, or 1 with a message on stderr when the server cannot be
// reached or the stream fails.
#include <pulse/pulseaudio.h>
#include <time.h>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int) {
  stopRequested = 1;
}

double Monotonic() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

struct Options {
  std::string source;
  double threshold = 0.05;
  double gapSeconds = 0.2;
};

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    bool hasValue = i + 1 < argc;
    if (arg == "--source" && hasValue) {
      options->source = argv[++i];
    } else if (arg == "--threshold" && hasValue) {
      options->threshold = std::atof(argv[++i]);
    } else if (arg == "--gap-ms" && hasValue) {
      options->gapSeconds = std::atof(argv[++i]) / 1000;
    } else {
      return false;
    }
  }
  return !options->source.empty() && options->threshold > 0;
}

struct Listener {
  Options options;
  pa_mainloop* loop = nullptr;
  pa_context* context = nullptr;
  pa_stream* stream = nullptr;
  double rate = 0;
  bool ready = false;
  bool done = false;
  bool closing = false;
  int status = 0;
  // Frames since the last sample above the threshold.
  double quietFrames = 0;
  // The times hold steady when, for a second, every fragment puts the stream's first frame at
  // the same moment to within kSteadySeconds. Right after connecting they do not: the sink may
  // still be playing what it rendered far ahead before this stream asked for a short latency,
  // and libpulse eases its estimate towards the server's reports over about a second.
  static constexpr double kSteadySeconds = 0.002;
  double framesRead = 0;
  double steadySince = 0;
  double earliestStart = 0;
  double latestStart = 0;

  void Fail(const std::string& what, const char* detail) {
    std::fprintf(stderr, "sink_listener: %s: %s\n", what.c_str(), detail);
    status = 1;
    done = true;
  }

  void Heard(double playedAt) {
    std::printf("onset %.6f\n", playedAt);
    std::fflush(stdout);
  }

  // Whether the times held steady for a second, given that a fragment's first frame was played
  // at firstPlayed.
  bool Steady(double now, double firstPlayed) {
    double start = firstPlayed - framesRead / rate;
    if (steadySince == 0 || start < latestStart - kSteadySeconds ||
        start > earliestStart + kSteadySeconds) {
      steadySince = now;
      earliestStart = latestStart = start;
    }
    earliestStart = std::fmin(earliestStart, start);
    latestStart = std::fmax(latestStart, start);
    return now - steadySince >= 1;
  }

  // Frames of one fragment, the first of them played at firstPlayed.
  void Scan(const float* frames, size_t count, double firstPlayed) {
    double gapFrames = options.gapSeconds * rate;
    for (size_t i = 0; i < count; ++i) {
      if (std::fabs(frames[i]) <= options.threshold) {
        quietFrames += 1;
        continue;
      }
      if (quietFrames >= gapFrames) Heard(firstPlayed + double(i) / rate);
      quietFrames = 0;
    }
  }

  void Read() {
    while (!done && pa_stream_readable_size(stream) > 0) {
      // The latency of the first unread frame: how long ago the sink played it.
      pa_usec_t latency = 0;
      int negative = 0;
      bool timed = pa_stream_get_latency(stream, &latency, &negative) == 0;
      double now = Monotonic();
      const void* data = nullptr;
      size_t bytes = 0;
      if (pa_stream_peek(stream, &data, &bytes) < 0) {
        Fail("reading", pa_strerror(pa_context_errno(context)));
        return;
      }
      if (bytes == 0) break;
      // A hole in the stream, or a fragment before the server's first timing report, is skipped:
      // its frames have no time to give.
      if (data && timed) {
        double firstPlayed = now - double(latency) * 1e-6 * (negative ? -1 : 1);
        if (ready) {
          Scan(static_cast<const float*>(data), bytes / sizeof(float), firstPlayed);
        } else if (Steady(now, firstPlayed)) {
          ready = true;
          std::printf("ready\n");
          std::fflush(stdout);
        }
      }
      framesRead += double(bytes / sizeof(float));
      pa_stream_drop(stream);
    }
  }
};

void OnRead(pa_stream*, size_t, void* user) {
  static_cast<Listener*>(user)->Read();
}

void OnStreamState(pa_stream* stream, void* user) {
  auto* listener = static_cast<Listener*>(user);
  switch (pa_stream_get_state(stream)) {
    case PA_STREAM_READY:
      listener->rate = double(pa_stream_get_sample_spec(stream)->rate);
      break;
    case PA_STREAM_FAILED:
      listener->Fail("recording " + listener->options.source,
                     pa_strerror(pa_context_errno(listener->context)));
      break;
    default:
      break;
  }
}

void OnContextState(pa_context* context, void* user) {
  auto* listener = static_cast<Listener*>(user);
  switch (pa_context_get_state(context)) {
    case PA_CONTEXT_READY: {
      // Mono float at the source's own rate: the server mixes the channels down and resamples
      // nothing, so every frame keeps its time.
      pa_sample_spec format{PA_SAMPLE_FLOAT32NE, 44100, 1};
      listener->stream = pa_stream_new(context, "Orvell sync listener", &format, nullptr);
      pa_stream_set_state_callback(listener->stream, OnStreamState, listener);
      pa_stream_set_read_callback(listener->stream, OnRead, listener);
      // Fragments of 5 ms keep the time between a frame's arrival and its reading short.
      pa_buffer_attr attr{};
      attr.maxlength = std::uint32_t(-1);
      attr.fragsize = std::uint32_t(pa_usec_to_bytes(5000, &format));
      auto flags = pa_stream_flags_t(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE |
                                     PA_STREAM_ADJUST_LATENCY | PA_STREAM_FIX_RATE);
      if (pa_stream_connect_record(listener->stream, listener->options.source.c_str(), &attr,
                                   flags) < 0) {
        listener->Fail("recording", pa_strerror(pa_context_errno(context)));
      }
      break;
    }
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
      if (!listener->closing)
        listener->Fail("the sound server", pa_strerror(pa_context_errno(context)));
      break;
    default:
      break;
  }
}

}  // namespace

int main(int argc, char** argv) {
  Listener listener;
  if (!ParseOptions(argc, argv, &listener.options)) {
    std::fputs("usage: sink_listener --source NAME [--threshold X] [--gap-ms G]\n", stderr);
    return 2;
  }
  std::signal(SIGTERM, RequestStop);
  std::signal(SIGINT, RequestStop);
  listener.loop = pa_mainloop_new();
  listener.context = pa_context_new(pa_mainloop_get_api(listener.loop), "Orvell sync listener");
  pa_context_set_state_callback(listener.context, OnContextState, &listener);
  if (pa_context_connect(listener.context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
    listener.Fail("the sound server", pa_strerror(pa_context_errno(listener.context)));
  }
  // Waits at most 100 ms at a time, to see a stop request even when the server sends nothing.
  constexpr int kWakeUsec = 100000;
  while (!listener.done && !stopRequested) {
    if (pa_mainloop_prepare(listener.loop, kWakeUsec) < 0) break;
    if (pa_mainloop_poll(listener.loop) < 0 && errno != EINTR) break;
    if (pa_mainloop_dispatch(listener.loop) < 0) break;
  }
  listener.closing = true;
  if (listener.stream) pa_stream_unref(listener.stream);
  pa_context_disconnect(listener.context);
  pa_context_unref(listener.context);
  pa_mainloop_free(listener.loop);
  return listener.status;
}

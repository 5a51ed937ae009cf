// Tracker modules through libopenmpt, played once from start to end.
#include <libopenmpt/libopenmpt.h>

#include "platform/bass/bass.h"
#include "platform/bass/source.h"
#include "platform/bass/source_bytes.h"

namespace bass {
namespace {

// Modules are read whole; the largest ever written are a few tens of megabytes.
constexpr std::uint64_t kMaxModuleBytes = 256u << 20;

struct DestroyModule {
  void operator()(openmpt_module* module) const { openmpt_module_destroy(module); }
};
using Module = std::unique_ptr<openmpt_module, DestroyModule>;

class ModuleSource final : public Source {
 public:
  explicit ModuleSource(Module module) : module_(std::move(module)) {}

  size_t Render(float* stereo, size_t frames) override {
    size_t done = 0;
    while (done < frames) {
      size_t n = openmpt_module_read_interleaved_float_stereo(module_.get(), kOutputRate,
                                                              frames - done, stereo + 2 * done);
      if (n == 0) break;
      done += n;
    }
    return done;
  }

  // libopenmpt rebuilds the whole playing state when it seeks (a seek to 0 plays exactly as the
  // first time, even after the song has ended), which is all that resetting notes on a change of
  // position asks for.
  void Seek(std::uint64_t frame) override {
    openmpt_module_set_position_seconds(module_.get(), double(frame) / kOutputRate);
  }

 private:
  Module module_;
};

}  // namespace

OpenedSource OpenModule(const SourceBytes& bytes, std::uint32_t flags) {
  auto data = ReadAllBytes(bytes, kMaxModuleBytes);
  OpenedSource opened;
  if (!data || data->empty()) {
    opened.error =
        !data ? "the file cannot be read, or is larger than 256 MB" : "the file is empty";
    return opened;
  }
  // Play once and stop, rather than loop or fade out: the end of the song is how the player
  // knows to move on.
  const openmpt_module_initial_ctl ctls[] = {{"play.at_end", "stop"}, {nullptr, nullptr}};
  int error = 0;
  Module module(openmpt_module_create_from_memory2(
      data->data(), data->size(), openmpt_log_func_silent, nullptr, openmpt_error_func_ignore,
      nullptr, &error, nullptr, ctls));
  if (!module) {
    const char* text = openmpt_error_string(error);
    opened.error = std::string("libopenmpt: ") + (text ? text : "not a module");
    openmpt_free_string(text);
    return opened;
  }
  openmpt_module_set_repeat_count(module.get(), 0);
  openmpt_module_set_render_param(module.get(), OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH,
                                  (flags & BASS_MUSIC_NONINTER) ? 1 : 2);
  openmpt_module_set_render_param(module.get(), OPENMPT_MODULE_RENDER_VOLUMERAMPING_STRENGTH,
                                  (flags & BASS_MUSIC_RAMP) ? -1 : 0);
  double seconds = openmpt_module_get_duration_seconds(module.get());
  opened.lengthFrames = seconds > 0 ? std::uint64_t(seconds * kOutputRate + 0.5) : 0;
  opened.source = std::make_unique<ModuleSource>(std::move(module));
  return opened;
}

}  // namespace bass

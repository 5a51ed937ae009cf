// Child processes and the scratch folder of the audio benchmarks, on POSIX spawn and wait4.
#include "bench/audio/child_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace bench_audio {

namespace fs = std::filesystem;

namespace {

class Scratch {
 public:
  Scratch() { fs::create_directories(folder_); }
  ~Scratch() { fs::remove_all(folder_); }
  const fs::path& folder() const { return folder_; }

 private:
  fs::path folder_ = fs::temp_directory_path() / ("orvell-bench-audio-" + std::to_string(getpid()));
};

}  // namespace

const fs::path& ScratchFolder() {
  static Scratch scratch;
  return scratch.folder();
}

pid_t Spawn(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  if (posix_spawnp(&child, argv[0], &quiet, nullptr, argv.data(), environ) != 0) child = 0;
  posix_spawn_file_actions_destroy(&quiet);
  return child;
}

bool Wait(pid_t child, rusage* usage) {
  int status = 0;
  rusage ignored;
  if (wait4(child, &status, 0, usage ? usage : &ignored) != child) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::vector<std::string> Openmpt123Render(const fs::path& module, std::vector<std::string> extra) {
  std::vector<std::string> args = {"openmpt123",   "--quiet", "--render", "--force", "--float",
                                   "--samplerate", "44100",   "--filter", "1"};
  args.insert(args.end(), extra.begin(), extra.end());
  args.push_back(module.string());
  return args;
}

}  // namespace bench_audio

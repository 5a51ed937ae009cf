// What the audio benchmarks share: starting the programs they measure (orvell, openmpt123) as
// child processes, and a scratch folder for the files those write.
#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace bench_audio {

// A folder of this run in the temporary directory, created on first use and removed at exit.
const std::filesystem::path& ScratchFolder();

// Starts args[0], searched on PATH unless it is a path, with args; its standard output and error
// are thrown away. 0 when it cannot start.
pid_t Spawn(std::vector<std::string> args);

// Waits for the child to end; true when it exited with status 0. usage, when given, receives the
// child's own CPU times.
bool Wait(pid_t child, rusage* usage = nullptr);

// The command that makes openmpt123 render module to a float WAV file beside it, mixing as the
// program's engine does (44.1 kHz, no interpolation); extra goes before the file name.
std::vector<std::string> Openmpt123Render(const std::filesystem::path& module,
                                          std::vector<std::string> extra);

}  // namespace bench_audio

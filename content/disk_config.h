// The reader of data/disk.cfg: a song count, four lines per song (type, file name, title,
// information text) and then free credits text. Lines end in LF or CR LF and have no length
// limit. Reads behave like a C++ stream's: once one fails (the end was reached with nothing left,
// or the count was not a number) every later line reads as empty.
#pragma once

#include <cstddef>
#include <string>

class DiskConfig {
 public:
  // Reads the whole file; a missing or unreadable file reads as empty.
  bool Open(const std::string& path);
  // For tests: the file's contents as given.
  void OpenText(std::string text);

  // The song count: a signed decimal number after any white space; the rest of its line is
  // dropped. 0 when it is not a number.
  int ReadSongCount();
  // The next whole line, without its line end; empty once reading has failed.
  std::string ReadLine();
  // Every remaining line, each with a line feed appended, empty lines included.
  std::string ReadRest();

  // How many song entries the remaining lines can describe, counting a last, partial entry.
  std::size_t EntriesLeft() const;

  // For messages about the file: the 1-based number of the line the next read starts on, and
  // whether reading has failed (after a count that was not a number, or past the end).
  int LineNumber() const { return line_; }
  bool Failed() const { return failed_; }

 private:
  std::string text_;
  std::size_t position_ = 0;
  int line_ = 1;
  bool failed_ = false;
};

// The song count to use for a count read from the file: a count beyond what the file describes is
// cut to kMaxSongsBeyondFile (but never below the entries present), so that a damaged or hostile
// count cannot make the program allocate or report without end.
constexpr int kMaxSongsBeyondFile = 1024;
int SaneSongCount(int count, std::size_t entriesInFile);

// Whether a song's file name stays inside the disk's music folder. A disk is read from its own
// folder only: a name whose ".." parts climb above the music folder is refused, like a file that
// is not there.
bool StaysInMusicFolder(const std::string& fileName);

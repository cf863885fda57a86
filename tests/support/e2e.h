#pragma once
// Runs the real kestrix binary in a scratch folder with given standard input,
// and reads back what it printed and wrote.

#include <filesystem>
#include <string>
#include <vector>

namespace kestrix::testing {

/// What one run of the binary did.
struct BinaryRun {
  int status = -1;      ///< exit status
  std::string output;   ///< everything written to standard output
  bool killed = false;  ///< the watchdog had to end the run
};

/// A fresh scratch folder, removed when the object goes.
class ScratchDir {
 public:
  /// Makes an empty folder under the system's temporary folder.
  ScratchDir();
  ~ScratchDir();
  /// The folder.
  const std::filesystem::path& path() const { return path_; }
  /// Writes a file (relative to the folder) with exactly these bytes.
  void write(const std::string& name, const std::string& bytes) const;
  /// Reads a file (relative to the folder); empty when missing.
  std::string read(const std::string& name) const;
  /// True when the file exists.
  bool has(const std::string& name) const;
  /// Runs the binary in the folder with these arguments and standard input.
  BinaryRun run(const std::vector<std::string>& args, const std::string& input = "") const;
  /// Runs the binary with standard input held open by a pipe that is never written to; a watchdog kills it after `limitSeconds`.
  BinaryRun runWithOpenInput(const std::vector<std::string>& args, int limitSeconds) const;

 private:
  std::filesystem::path path_;
};

/// The bytes of a file of the source tree (a path relative to its top).
std::string sourceFile(const std::string& relative);

/// The shared real-world sample folder, or empty when it is not there.
std::filesystem::path realDataDir();

}  // namespace kestrix::testing

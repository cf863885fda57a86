#pragma once
// Runs a build of kestrix in a scratch folder with given standard input, and
// reads back what it printed and wrote. The build under test is the native
// one unless KESTRIX_E2E_BINARY names another executable, started through
// the shell words in KESTRIX_E2E_LAUNCHER (for example "wine" for
// kestrix.exe).

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace kestrix::testing {

/// How to start one build of the program.
struct Program {
  std::string binary;    ///< the executable
  std::string launcher;  ///< shell words put before it (for example "wine"); empty to start it directly
  /// True for a Windows executable (its name ends in ".exe").
  bool windows() const;
};

/// The build the end-to-end tests run: KESTRIX_E2E_BINARY through KESTRIX_E2E_LAUNCHER, else the native one.
const Program& programUnderTest();

/// The native build of this tree.
Program nativeProgram();

/// True when the build under test is a Windows executable.
bool windowsTarget();

/// The name a build gives a file of this machine (a drive path for a Windows build under Wine).
std::string hostPath(const std::filesystem::path& path, const Program& program = programUnderTest());

/// What one run of the binary did.
struct BinaryRun {
  int status = -1;      ///< exit status
  std::string output;   ///< standard output and error, each line ending in LF whatever the platform
  std::string printed;  ///< standard output and error byte for byte (CR LF line ends from a Windows build)
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
  /// Every file under the folder: name relative to it (with "/") and bytes.
  std::map<std::string, std::string> files() const;
  /// Runs the build under test in the folder with these arguments and standard input.
  BinaryRun run(const std::vector<std::string>& args, const std::string& input = "") const;
  /// Runs the given build in the folder with these arguments and standard input.
  BinaryRun run(const Program& program, const std::vector<std::string>& args, const std::string& input = "") const;
  /// Runs the build under test with standard input held open by a pipe that is never written to; a watchdog kills it after `limitSeconds`.
  BinaryRun runWithOpenInput(const std::vector<std::string>& args, int limitSeconds) const;

 private:
  BinaryRun runOnceWithOpenInput(const Program& program, const std::vector<std::string>& args,
                                 int limitSeconds) const;
  std::filesystem::path path_;
};

/// The bytes of a file of the source tree (a path relative to its top).
std::string sourceFile(const std::string& relative);

/// The shared real-world sample folder, or empty when it is not there.
std::filesystem::path realDataDir();

}  // namespace kestrix::testing

#include "support/e2e.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace kestrix::testing {

namespace {
std::string shellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The shell words that start the program with these arguments.
std::string commandLine(const Program& program, const std::vector<std::string>& args) {
  std::string command = program.launcher.empty() ? "" : program.launcher + " ";
  command += shellQuote(program.binary);
  for (const auto& a : args) command += " " + shellQuote(a);
  return command;
}

// A Windows console writes CR LF for every line end; the tests compare lines.
std::string consoleLines(const std::string& printed) {
  std::string lines;
  lines.reserve(printed.size());
  for (std::size_t i = 0; i < printed.size(); ++i) {
    if (printed[i] == '\r' && i + 1 < printed.size() && printed[i + 1] == '\n') continue;
    lines.push_back(printed[i]);
  }
  return lines;
}

constexpr int kLaunchAttempts = 3;

// Every run of the program prints its banner first. A launcher (Wine) that
// now and then fails to start the program, or loses its own server part way,
// leaves nothing at all or its own complaint: that is a failed launch, not a
// result of the program, and it is tried again.
bool launchFailed(const Program& program, const BinaryRun& run) {
  if (program.launcher.empty()) return false;
  if (run.printed.empty()) return run.status != 0;
  return run.printed.find("wine client error") != std::string::npos || run.printed.rfind("wine: ", 0) == 0 ||
         run.printed.find("\nwine: ") != std::string::npos;
}
}  // namespace

bool Program::windows() const {
  if (binary.size() < 4) return false;
  std::string ext = binary.substr(binary.size() - 4);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".exe";
}

Program nativeProgram() { return Program{KESTRIX_BINARY, ""}; }

const Program& programUnderTest() {
  static const Program program = [] {
    const std::string binary = environment("KESTRIX_E2E_BINARY");
    if (binary.empty()) return nativeProgram();
    // The runs start in scratch folders: a relative name must not depend on them.
    return Program{std::filesystem::absolute(binary).string(), environment("KESTRIX_E2E_LAUNCHER")};
  }();
  return program;
}

bool windowsTarget() { return programUnderTest().windows(); }

std::string hostPath(const std::filesystem::path& path, const Program& program) {
  std::string name = path.string();
  if (!program.windows()) return name;
  // Wine shows the machine's root folder as drive Z:.
  for (char& c : name) {
    if (c == '/') c = '\\';
  }
  return path.is_absolute() ? "Z:" + name : name;
}

ScratchDir::ScratchDir() {
  static std::atomic<int> counter{0};
  std::random_device rd;
  auto base = std::filesystem::temp_directory_path();
  path_ = base / ("kestrix-e2e-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
                  std::to_string(rd() % 100000));
  std::filesystem::create_directories(path_);
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void ScratchDir::write(const std::string& name, const std::string& bytes) const {
  auto p = path_ / name;
  std::filesystem::create_directories(p.parent_path());
  std::ofstream f(p, std::ios::binary);
  f << bytes;
}

std::string ScratchDir::read(const std::string& name) const {
  std::ifstream f(path_ / name, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

bool ScratchDir::has(const std::string& name) const { return std::filesystem::exists(path_ / name); }

std::map<std::string, std::string> ScratchDir::files() const {
  std::map<std::string, std::string> all;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(path_)) {
    if (!entry.is_regular_file()) continue;
    const std::string name = std::filesystem::relative(entry.path(), path_).generic_string();
    all[name] = read(name);
  }
  return all;
}

BinaryRun ScratchDir::run(const std::vector<std::string>& args, const std::string& input) const {
  return run(programUnderTest(), args, input);
}

BinaryRun ScratchDir::run(const Program& program, const std::vector<std::string>& args,
                          const std::string& input) const {
  // Standard input and output are files beside the folder: the run never
  // waits for a console, no wildcard of the run can match them, and the
  // result is complete when the started program ends, even if helpers it
  // left behind (Wine's services) still hold its output open.
  const std::string stdinFile = path_.string() + ".stdin";
  const std::string outFile = path_.string() + ".out";
  {
    std::ofstream f(stdinFile, std::ios::binary);
    f << input;
  }
  const std::string cmd = "cd " + shellQuote(path_.string()) + " && " + commandLine(program, args) + " < " +
                          shellQuote(stdinFile) + " > " + shellQuote(outFile) + " 2>&1";
  BinaryRun result;
  for (int attempt = 0; attempt < kLaunchAttempts; ++attempt) {
    const int raw = std::system(cmd.c_str());
    result.status = (raw != -1 && WIFEXITED(raw)) ? WEXITSTATUS(raw) : -1;
    std::ifstream f(outFile, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    result.printed = ss.str();
    if (!launchFailed(program, result)) break;
  }
  result.output = program.windows() ? consoleLines(result.printed) : result.printed;
  std::error_code ec;
  std::filesystem::remove(stdinFile, ec);
  std::filesystem::remove(outFile, ec);
  return result;
}

BinaryRun ScratchDir::runWithOpenInput(const std::vector<std::string>& args, int limitSeconds) const {
  const Program& program = programUnderTest();
  BinaryRun result;
  for (int attempt = 0; attempt < kLaunchAttempts; ++attempt) {
    result = runOnceWithOpenInput(program, args, limitSeconds);
    if (result.killed || !launchFailed(program, result)) break;
  }
  return result;
}

BinaryRun ScratchDir::runOnceWithOpenInput(const Program& program, const std::vector<std::string>& args,
                                           int limitSeconds) const {
  BinaryRun result;
  int input[2];
  int output[2];
  if (::pipe(input) != 0) return result;
  if (::pipe(output) != 0) {
    ::close(input[0]);
    ::close(input[1]);
    return result;
  }
  // The shell gives way to the program (or its launcher, which gives way to
  // it in turn), so the child is the process the watchdog ends.
  const std::string command = "exec " + commandLine(program, args);
  const char* const argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
  const std::string folder = path_.string();

  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(input[0], 0);
    ::dup2(output[1], 1);
    ::dup2(output[1], 2);
    ::close(input[0]);
    ::close(input[1]);
    ::close(output[0]);
    ::close(output[1]);
    if (::chdir(folder.c_str()) != 0) ::_exit(126);
    ::execv(argv[0], const_cast<char* const*>(argv));
    ::_exit(127);
  }
  ::close(input[0]);
  ::close(output[1]);
  if (child < 0) {
    ::close(input[1]);
    ::close(output[0]);
    return result;
  }

  // The write end of the input stays open and unwritten until the child has
  // ended. The run is over when the child ends, not when the output closes:
  // helpers it leaves behind (Wine's services) may hold the output open.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limitSeconds);
  char buffer[65536];
  int raw = 0;
  bool open = true;
  const auto readSome = [&](int waitMs) {
    pollfd watch{output[0], POLLIN, 0};
    if (!open || ::poll(&watch, 1, waitMs) <= 0) return false;
    const ssize_t n = ::read(output[0], buffer, sizeof buffer);
    if (n <= 0) {
      open = false;
      return false;
    }
    result.printed.append(buffer, static_cast<std::size_t>(n));
    return true;
  };
  for (;;) {
    if (std::chrono::steady_clock::now() >= deadline) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &raw, 0);
      result.killed = true;
      break;
    }
    if (!readSome(50) && !open) ::usleep(10000);
    if (::waitpid(child, &raw, WNOHANG) == child) {
      while (readSome(0)) {
      }
      break;
    }
  }
  ::close(output[0]);
  ::close(input[1]);
  result.status = !result.killed && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.output = program.windows() ? consoleLines(result.printed) : result.printed;
  return result;
}

std::string sourceFile(const std::string& relative) {
  std::ifstream f(std::filesystem::path(KESTRIX_SOURCE_DIR) / relative, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

std::filesystem::path realDataDir() {
  std::filesystem::path p = KESTRIX_REALDATA_DIR;
  std::error_code ec;
  if (std::filesystem::is_directory(p, ec)) return std::filesystem::canonical(p, ec);
  return {};
}

}  // namespace kestrix::testing

#include "support/e2e.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <chrono>
#include <csignal>
#include <poll.h>
#include <random>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace kestrix::testing {

namespace {
std::string shellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}
}  // namespace

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

BinaryRun ScratchDir::run(const std::vector<std::string>& args, const std::string& input) const {
  write(".stdin", input);
  std::string cmd = "cd " + shellQuote(path_.string()) + " && " + shellQuote(KESTRIX_BINARY);
  for (const auto& a : args) cmd += " " + shellQuote(a);
  cmd += " < .stdin 2>&1";
  BinaryRun result;
  FILE* pipe = ::popen(cmd.c_str(), "r");
  if (!pipe) return result;
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) result.output.append(buf, n);
  int raw = ::pclose(pipe);
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  std::error_code ec;
  std::filesystem::remove(path_ / ".stdin", ec);
  return result;
}

BinaryRun ScratchDir::runWithOpenInput(const std::vector<std::string>& args, int limitSeconds) const {
  BinaryRun result;
  int input[2];
  int output[2];
  if (::pipe(input) != 0) return result;
  if (::pipe(output) != 0) {
    ::close(input[0]);
    ::close(input[1]);
    return result;
  }
  std::vector<std::string> argv = {KESTRIX_BINARY};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> pointers;
  for (auto& a : argv) pointers.push_back(a.data());
  pointers.push_back(nullptr);
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
    ::execv(pointers[0], pointers.data());
    ::_exit(127);
  }
  ::close(input[0]);
  ::close(output[1]);
  if (child < 0) {
    ::close(input[1]);
    ::close(output[0]);
    return result;
  }

  // The write end of the input stays open and unwritten until the child has ended.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limitSeconds);
  char buffer[65536];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      ::kill(child, SIGKILL);
      result.killed = true;
      break;
    }
    pollfd watch{output[0], POLLIN, 0};
    if (::poll(&watch, 1, static_cast<int>(left.count())) <= 0) continue;
    const ssize_t n = ::read(output[0], buffer, sizeof buffer);
    if (n <= 0) break;
    result.output.append(buffer, static_cast<std::size_t>(n));
  }
  int raw = 0;
  ::waitpid(child, &raw, 0);
  ::close(output[0]);
  ::close(input[1]);
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
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

// The system console: standard output gathered in large blocks (handed to the
// background writer once there is one), line input, and the error stream.
// Apart from the file system because the two share only the background writer.

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform_internal.h"

namespace kestrix {

namespace {

// The first reason the console output could not be written, 0 while all of it
// was. A closed pipe is none: its reader wants no more, and the run ends by
// SIGPIPE as a rule.
std::atomic<int> consoleFailure{0};

// Notes that a write to the console failed, for the reason errno holds.
void noteConsoleFailure() {
  const int reason = errno != 0 ? errno : EIO;
  int none = 0;
  if (reason != EPIPE) consoleFailure.compare_exchange_strong(none, reason);
}

}  // namespace

bool writeAll(std::FILE* file, std::string_view text) {
  if (text.empty() || std::fwrite(text.data(), 1, text.size(), file) == text.size()) return true;
  noteConsoleFailure();
  return false;
}

namespace {

class StdioConsole : public Console {
 public:
  explicit StdioConsole(BackgroundWriter* writer) : writer_(writer) {}
  ~StdioConsole() override { flush(); }
  void write(std::string_view text) override {
    out_.append(text);
    // Written in large blocks, as the files are; a prompt flushes before it reads.
    if (out_.size() > kBlock) handOver();
  }
  bool readLine(std::string& line) override {
    flush();
    line.clear();
    int c;
    bool any = false;
    while ((c = std::getchar()) != EOF) {
      any = true;
      if (c == '\n') break;
      line.push_back(static_cast<char>(c));
    }
    if (!any) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
  }
  void flush() override {
    // Blocks handed over go out first: the console keeps its order.
    if (writer_ != nullptr) writer_->drain();
    writeAll(stdout, out_);
    out_.clear();
    if (std::fflush(stdout) != 0) noteConsoleFailure();
  }
  std::string writeFailure() override {
    const int reason = consoleFailure.load();
    return reason == 0 ? std::string() : std::string(std::strerror(reason));
  }
  void writeErrorLine(std::string_view line) override {
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
  }

 private:
  static constexpr std::size_t kBlock = 1 << 20;

  void handOver() {
    if (writer_ == nullptr) {
      flush();
      return;
    }
    // Unnamed: a console that cannot be written fails no file; the console itself tells it at the end of the run.
    writer_->writeStream(stdout, std::move(out_));
    out_ = writer_->block(kBlock);
  }

  BackgroundWriter* const writer_;  // the file system's, which outlives the console; null when it has none
  std::string out_;
};

}  // namespace

std::unique_ptr<Console> makeStdioConsole(BackgroundWriter* writer) { return std::make_unique<StdioConsole>(writer); }

// Written straight to standard output: the console's own buffer may be in the run thread's hands.
void endInterrupted(std::string_view line) {
  if (!line.empty()) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
  }
  std::fflush(stdout);
  std::_Exit(kInterruptedStatus);
}

}  // namespace kestrix

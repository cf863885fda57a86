// The kestrix executable: hands the command line, the console and the file
// system to the run and returns its exit status.

#include <string>
#include <vector>

#include "driver/command_line.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  // First, before any thread starts: every thread then leaves interrupts to the one thread that handles them.
  kestrix::startInterruptWatch();
  std::vector<std::string> args(argv, argv + argc);
  auto console = kestrix::makeSystemConsole();
  auto fs = kestrix::makeSystemFileSystem();
  return kestrix::runKestrix(args, *console, *fs);
}

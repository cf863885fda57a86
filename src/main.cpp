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
  // Files and the console are written beside the run; the run's commit waits for them.
  const kestrix::SystemPlatform system = kestrix::makeSystemPlatform(true);
  return kestrix::runKestrix(args, *system.console, *system.fs, system.background);
}

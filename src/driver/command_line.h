#pragma once
// The start of every run: banner, command line, usage text and sizing.

#include <string>
#include <vector>

namespace kestrix {

class RunContext;
class Console;
class FileSystem;
class BackgroundWrites;

/// Prints the usage text line by line.
void printUsage(RunContext& run);

/// Prints the usage text followed by the options it does not list (--help).
void printHelp(RunContext& run);

/// Reads the options and file names of `args` (argument 0 is the program) into the settings; ends the run on the usage text or a bad value.
void readCommandLine(RunContext& run, const std::vector<std::string>& args);

/// Prints the array sizes and readies the section store.
void allocateStore(RunContext& run);

/// A whole run: start-up, the mode run and its end; returns the exit status. `background` is the background writing
/// of `fs`, where it has one, whose failures the run's commit reports.
int runKestrix(const std::vector<std::string>& args, Console& console, FileSystem& fs,
               BackgroundWrites* background = nullptr);

}  // namespace kestrix

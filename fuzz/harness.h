#pragma once
// What every fuzz target shares: small models held in memory, whole runs
// in-process over the memory file system and a console that never waits,
// and the checks that end the process with a report when a run breaks one
// of the promises the program makes about its files and its memory.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "support/output_check.h"

namespace kestrix::fuzzing {

/// The files of a run and how it is started.
struct Model {
  testing::FileMap files;            ///< every file the run may read, by name
  std::vector<std::string> args;     ///< the command line, argument 0 included
  std::vector<std::string> console;  ///< the lines typed at the console; after them the input has ended
};

/// The GIS model: the bundled example survey and its start lines, with their tables.
Model gisModel();

/// The ISIS model: a projection layer and one .dat file of river sections.
Model isisModel();

/// The MIKE 11 model: a projection layer, cross-sections, network and parameters.
Model mike11Model();

/// The resistance option chosen by two bits of a selector: -M, -N, -R or -N2M.
std::string resistanceOption(unsigned selector);

/// The bytes as text.
std::string text(const std::uint8_t* data, std::size_t size);

/// A GIS run (bundled example) whose survey or start-line layer gets the bytes after the selector byte as its file with `extension` (".mif" or ".mid"). Selector bits: 0 the start-line layer, 1 -ppol, 2-3 the resistance option, 4 the survey alone.
void fuzzGisLayer(const std::uint8_t* data, std::size_t size, const char* extension);

/// A MIKE 11 run whose file `name` is the bytes after the selector byte. Selector bits: 0-1 the resistance option, 2 -trim, 3 the model files named in reverse order.
void fuzzMike11File(const std::uint8_t* data, std::size_t size, const char* name);

/// Runs the model in-process and checks what it left behind; a broken promise ends the process with a report. Returns the exit status.
int runChecked(const Model& model);

}  // namespace kestrix::fuzzing

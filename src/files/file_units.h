#pragma once
// Opening and closing files by name on numbered units, with the console
// reports, the missing-file prompt and the retry for output files that
// cannot be created.

#include <string>
#include <string_view>
#include <vector>

#include "files/units.h"

namespace kestrix {

class RunContext;

/// Opens a named file on the first free unit, prompting and retrying until it is open; `unit` receives the unit number.
void OPENFILE(RunContext& ctx, int& unit, FileMode mode, std::string_view name);

/// Connects a unit to a named file with the prompts and retries; may rewrite `name`.
void OPENUNIT(RunContext& ctx, int unit, std::string& name, FileMode mode);

/// Closes a unit the table shows open, reports it and sets `unit` to 0.
void CLOSER(RunContext& ctx, int& unit);

/// Ends the run with an ERROR for every output path that names a file the run reads; nothing has been written then.
void guardOutputs(RunContext& ctx, const std::vector<std::string>& outputs);

/// Closes every output still open and gives all staged outputs their final names; ends the run with an ERROR when a file could not be written.
void commitOutputs(RunContext& ctx);

/// Writes characters 1 to n of a text to the console without ending the line.
void PUTTEXT(RunContext& ctx, std::string_view text, std::size_t n);

/// The unit number right-aligned in 4 columns, as the unit reports show it.
std::string unitField(int unit);

}  // namespace kestrix

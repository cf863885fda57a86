#pragma once
// The two mode runs that follow the start-up of every run.

namespace kestrix {

class RunContext;
class GisFormats;

/// GIS mode: reads every layer, orders the sections and writes the output.
void gisRun(RunContext& run);

/// ISIS and MIKE 11 modes: converts the matched files and writes the output.
void converterRun(RunContext& run);

/// The end every mode shares: last checkpoint, section output and "Finished.".
void commonEnding(RunContext& run, GisFormats& formats);

}  // namespace kestrix

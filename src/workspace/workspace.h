#pragma once
// The pieces of a run that the readers, the converters and the output sinks
// work with, handed down by the driver instead of the whole run.
//
// Module workspace: the floor the readers, the converters and the output
// stand on together: the Workspace, and the MIKE 11 network view that the
// conversion hands to the layers that write it. It may call every module up
// to mif, store and geometry; it defines no code of its own.

#include "base/reporter.h"
#include "base/settings.h"
#include "files/file_units.h"
#include "mif/mif.h"
#include "store/store.h"

namespace kestrix {

/// What a reader, converter or sink may use: the reporter, the files, the settings, the tally and the store.
struct Workspace {
  Reporter& out;          ///< the user's console and the end of the run
  FileAccess& files;      ///< the file-unit layer
  LayerAccess& layers;    ///< the layer library's view of the run
  Settings& settings;     ///< run settings
  RunTally& tally;        ///< counts for the summary
  SectionStore& store;    ///< the sections of the run
};

}  // namespace kestrix

#pragma once
// ISIS river sections with plan coordinates, read into the section store.

#include <string>

#include "workspace/workspace.h"

namespace kestrix {


/// Appends every river section of one ISIS .dat/.asc file to the store; sets errFound on a read failure.
void isisReadSections(Workspace& ws, const std::string& file);

}  // namespace kestrix

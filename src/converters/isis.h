#pragma once
// ISIS river sections with plan coordinates, read into the section store.

#include <string>

namespace kestrix {

class RunContext;

/// Appends every river section of one ISIS .dat/.asc file to the store; sets errFound on a read failure.
void isisReadSections(RunContext& ctx, const std::string& file);

}  // namespace kestrix

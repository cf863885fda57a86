#pragma once
// The GIS-mode layer readers: survey points and the start or projection lines.

#include <string>

namespace kestrix {

class RunContext;

/// Reads the point objects of one layer into the section store; sets linesFound when it holds line objects.
void xsReadPoints(RunContext& ctx, const std::string& layer);

/// Reads the line objects of one layer as start lines or, with -ppol, projection lines.
void xsReadLines(RunContext& ctx, const std::string& layer);

}  // namespace kestrix

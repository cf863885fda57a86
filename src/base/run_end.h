#pragma once
// How a run stops: RunEnd and the exit statuses.
//
// Module base: how a run stops (run_end.h), what it is set to do and what it
// has found and done (settings.h: Settings, RunTally), and the reporter with
// its typed messages that every layer talks to the user through
// (reporter.h). It owns no file and calls nothing but the standard library;
// every module above it may use it.

#include <string_view>

namespace kestrix {

/// Exit status of a run that finished or showed the usage text.
constexpr int kExitSuccess = 0;
/// Exit status of every other end of a run.
constexpr int kExitFailure = 1;
/// Exit status of a -strict run that wrote its outputs but said a WARNING or CHECK on the way.
constexpr int kExitDoubtful = 2;

/// The vendor support address that messages name.
inline constexpr std::string_view kSupportEmail = "support@kestrix.example";

/// Thrown to end the run; carries the process exit status. The only way a run stops.
struct RunEnd {
  int status;  ///< exit status of the process
};

}  // namespace kestrix

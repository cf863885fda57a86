// The reason the last native call of a thread failed, kept in one place for
// both operating systems: each side only says how it learns the reason.

#include <string>
#include <utility>

#include "platform/platform_native.h"

namespace kestrix {
namespace {
// Kept per thread: the background writer fails on its own thread.
thread_local std::string lastFailure;
}  // namespace

void noteNativeFailure(std::string reason) { lastFailure = std::move(reason); }

std::string nativeFailure() { return lastFailure; }

}  // namespace kestrix

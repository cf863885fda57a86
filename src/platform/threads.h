#pragma once
// Whether this build has threads, and how a thread that works beside the run
// keeps out of its way.

// Work beside the run needs threads; a MinGW build of the win32 thread model
// has none, so it does everything in the foreground.
#if defined(__MINGW32__) && !defined(_GLIBCXX_HAS_GTHREADS)
#define KESTRIX_THREADS 0
#else
#define KESTRIX_THREADS 1
#endif

namespace kestrix {

/// Lowers the priority of the calling thread, so that it takes only the time the processors have to spare.
void lowerThreadPriority();

}  // namespace kestrix

#pragma once
// What differs between the operating systems below the platform layer: how a
// name typed for Windows is spelled for the native file system.

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/threads.h"

namespace kestrix {

class HeldLock;
struct FileStatus;

/// The separators the native file system accepts.
extern const char* const kNativeSeparators;

/// The name as the native file system spells it.
std::string nativePath(const std::string& path);

/// A std::filesystem path for a name (converted to native spelling first).
std::filesystem::path toFsPath(const std::string& path);

/// The bytes of a std::filesystem path.
std::string fromFsPath(const std::filesystem::path& path);

/// Opens a file in binary mode for reading.
std::FILE* openNativeRead(const std::string& nativeName);

/// Opens a file for writing in binary mode, replacing or creating it, as fopen's "wb" would; the descriptor, or -1.
int nativeOpenWrite(const std::string& nativeName);

/// Writes all of `text` to an open descriptor; false when the system took less.
bool nativeWriteAll(int descriptor, std::string_view text);

/// Fills in what is there under a name, with one look at it (following a link); leaves it Missing when nothing is.
void nativeStat(const std::string& nativeName, FileStatus& status);

/// The key of a file or folder on disk; false when nothing is there.
bool nativeFileKey(const std::string& nativeName, std::string& key);

/// Creates an empty file and opens it for writing when nothing of that name is there; the descriptor, or -1 (and nothing touched) otherwise.
int nativeCreateNew(const std::string& nativeName);

/// Closes a descriptor; false when the system reports a failure (of writes not done until then, as a rule).
bool nativeCloseDescriptor(int descriptor);

/// Has the system start writing bytes [from, to) of an open file to disk, without waiting for it.
void nativeStartWriteBack(int descriptor, long long from, long long to);

/// Lets the system drop bytes [from, to) of an open file from its cache where they are on disk already.
void nativeDropWritten(int descriptor, long long from, long long to);

/// How many files the background writer may hold open at once (created ahead, or handed over to be closed): a quarter
/// of what the process may still open under its limit, at least 1 and at most `most`.
std::size_t nativeFilesToSpare(std::size_t most);

/// True when the last failed call of this thread failed because the process or the system has too many open files.
bool nativeTooManyOpenFiles();

/// Renames a file, replacing a file of the new name.
bool nativeRename(const std::string& nativeFrom, const std::string& nativeTo);

/// Makes `second` another name (a hard link) of the file `existing`; false when that failed.
bool nativeHardLink(const std::string& nativeExisting, const std::string& nativeSecond);

/// Waits until what was written to an open descriptor is on disk; false when that failed.
bool nativeSyncDescriptor(int descriptor);

/// Waits until the names in a folder are on disk, where the system needs it asked (POSIX).
void nativeSyncFolder(const std::string& nativeFolder);

/// Takes the exclusive advisory lock of a file (created when missing) without waiting; null when another process
/// holds it (`busy` set) or the file cannot be opened.
std::unique_ptr<HeldLock> nativeTryLock(const std::string& nativeName, bool& busy);
/// The system's reason, as text, why the last native call of this thread that failed failed.
std::string nativeFailure();

/// Keeps the reason nativeFailure() tells, for the native call of this thread that just failed.
void noteNativeFailure(std::string reason);

/// Notes errno's text; returns `result` so that a failing call can be passed through.
template <typename T>
T noteErrno(T result) {
  noteNativeFailure(std::generic_category().message(errno));
  return result;
}

/// The comparison key of a resolved path (case-blind where the file system is).
std::string foldIdentity(const std::string& resolved);

}  // namespace kestrix

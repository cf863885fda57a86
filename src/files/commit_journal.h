#pragma once
// The journal that makes a run's commit undoable, and what a later run does
// with the journals and files of runs that were stopped.
//
// Before its first rename a run writes ".kestrix-<pid>.commit" into the
// output folder: every final name, the temporary name its content waits
// under and, for a final name that was taken, the second name
// (".kestrix-<pid>-<name>.old", a hard link or a copy) that keeps the file it
// replaces. With it, a failed rename, an interrupt or the next run can put
// every earlier output back. Commits into one folder take turns through an
// advisory lock on ".kestrix.lock" there.

#include <memory>
#include <string>
#include <vector>

#include "base/reporter.h"
#include "platform/platform.h"

namespace kestrix {

/// One output of a commit, by its names within the output folder.
struct JournalEntry {
  std::string final;      ///< the name the output gets
  std::string temporary;  ///< the name its content is written under
  std::string backup;     ///< the second name of the file it replaces; empty when that name was free
};

/// A commit journal as read back from disk.
struct Journal {
  std::vector<JournalEntry> entries;  ///< every output, in the order renamed
  bool complete = false;              ///< written to its end (so renames may have begun)
  bool rollingBack = false;           ///< its run had begun to put the earlier outputs back
};

/// The journal of process `processId` in `folder` (a folder ending in its separator, or empty).
std::string journalName(const std::string& folder, int processId);

/// The text of a journal; `rollingBack` marks the run as putting the earlier outputs back.
std::string journalText(const std::vector<JournalEntry>& entries, bool rollingBack);

/// Reads a journal from its lines; false when they are no journal.
bool parseJournal(const std::vector<std::string>& lines, Journal& journal);

/// Puts back every file the commit into `folder` replaced, removes every final name it added, then every temporary
/// and backup of the entries; true when all of that succeeded (it may be repeated until it does).
bool rollBackCommit(FileSystem& fs, const std::string& folder, const std::vector<JournalEntry>& entries);

/// Takes the lock of an output folder for a commit or a recovery. Held by another run, it says so in one line and
/// waits (a -batch run at most 60 s, then the run ends with an ERROR); null when the folder has no lock to take.
/// The lock file names `self` as its holder.
std::unique_ptr<HeldLock> lockOutputFolder(Reporter& out, FileSystem& fs, const std::string& folder, int self);

/// Before this run writes into a folder: when stopped runs left files there, takes the folder's lock and recovers
/// it (every file there under this run's number `self` is an earlier process's).
void prepareOutputFolder(Reporter& out, FileSystem& fs, const std::string& folder, int self);

/// With the folder's lock held: undoes or completes the commit of every run that was stopped in it, removes the
/// files such runs left there, and says what it did. `selfIncluded` takes files under this run's own number `self`
/// for an earlier process's (true only before this run has put anything there).
void recoverOutputFolder(Reporter& out, FileSystem& fs, const std::string& folder, int self, bool selfIncluded);

}  // namespace kestrix

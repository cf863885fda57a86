#include "files/commit_journal.h"

#include <set>

namespace kestrix {

namespace {

constexpr std::string_view kHeading = "Kestrix commit journal 1";
constexpr std::string_view kEnd = "END";
constexpr std::string_view kRollingBack = "ROLLBACK";
constexpr std::string_view kPrefix = ".kestrix-";
constexpr std::string_view kLockName = ".kestrix.lock";
constexpr int kBatchWaitMs = 60000;
constexpr int kPollMs = 100;

// Names go one field to a line part: the characters that would end a field are escaped.
std::string escaped(const std::string& name) {
  std::string out;
  for (const char c : name) {
    if (c == '%' || c == '\t' || c == '\r' || c == '\n') {
      static const char* const kHex = "0123456789ABCDEF";
      out += '%';
      out += kHex[(static_cast<unsigned char>(c) >> 4) & 15];
      out += kHex[static_cast<unsigned char>(c) & 15];
    } else {
      out += c;
    }
  }
  return out;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool unescaped(std::string_view field, std::string& name) {
  name.clear();
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '%') {
      name += field[i];
      continue;
    }
    if (i + 2 >= field.size()) return false;
    const int high = hexDigit(field[i + 1]), low = hexDigit(field[i + 2]);
    if (high < 0 || low < 0) return false;
    name += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return true;
}

// The folder as the messages show it: without its last separator, "." for the current one.
std::string shownFolder(const std::string& folder) {
  if (folder.empty()) return ".";
  if (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) return folder.substr(0, folder.size() - 1);
  return folder;
}

// The process number in a name ".kestrix-<pid>-..." or ".kestrix-<pid>.commit"; 0 for any other name.
int processOf(const std::string& name, bool& isJournal) {
  isJournal = false;
  if (name.compare(0, kPrefix.size(), kPrefix) != 0) return 0;
  std::size_t i = kPrefix.size();
  long long pid = 0;
  while (i < name.size() && name[i] >= '0' && name[i] <= '9' && pid < 1000000000LL) pid = pid * 10 + (name[i++] - '0');
  if (i == kPrefix.size() || i == name.size() || pid <= 0 || pid >= 1000000000LL) return 0;
  if (name[i] == '-') return static_cast<int>(pid);
  if (name.compare(i, std::string::npos, ".commit") != 0) return 0;
  isJournal = true;
  return static_cast<int>(pid);
}

std::vector<std::string> linesOf(FileSystem& fs, const std::string& path) {
  std::vector<std::string> lines;
  auto file = fs.openRead(path);
  if (!file) return lines;
  std::string line;
  while (file->readLine(line) == ReadStatus::Ok) lines.push_back(line);
  return lines;
}

// The process the lock file names, as "process N"; the holder writes it just after it took the lock.
std::string holderOf(FileSystem& fs, const std::string& lockPath) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    const std::vector<std::string> lines = linesOf(fs, lockPath);
    if (!lines.empty() && !lines.front().empty()) return lines.front();
    pauseMilliseconds(20);
  }
  return "?";
}

// Settles the journal of a stopped run; true when nothing of it needs to stay.
bool settleJournal(Reporter& out, FileSystem& fs, const std::string& folder, const std::string& name, int pid) {
  Journal journal;
  // A journal cut short was being written: no rename had begun, so its files simply go.
  if (!parseJournal(linesOf(fs, folder + name), journal) || !journal.complete) return true;
  bool allRenamed = !journal.rollingBack;
  for (const JournalEntry& e : journal.entries)
    if (allRenamed && fs.exists(folder + e.temporary)) allRenamed = false;
  bool settled = true;
  if (allRenamed) {
    for (const JournalEntry& e : journal.entries)
      if (!e.backup.empty() && fs.exists(folder + e.backup) && !fs.remove(folder + e.backup)) settled = false;
  } else {
    settled = rollBackCommit(fs, folder, journal.entries);
  }
  if (settled && !fs.remove(folder + name)) settled = false;
  const std::string how = !settled    ? "its earlier outputs could not all be restored yet - the next run tries again"
                          : allRenamed ? "its outputs were completed"
                                       : "its earlier outputs were restored";
  out.newline();
  out.note("An earlier Kestrix run (process " + std::to_string(pid) +
           ") was stopped while putting its outputs in place: " + how);
  return settled;
}

}  // namespace

std::string journalName(const std::string& folder, int processId) {
  return folder + std::string(kPrefix) + std::to_string(processId) + ".commit";
}

std::string journalText(const std::vector<JournalEntry>& entries, bool rollingBack) {
  std::string text(kHeading);
  text += "\r\n";
  for (const JournalEntry& e : entries)
    text += escaped(e.final) + "\t" + escaped(e.temporary) + "\t" + escaped(e.backup) + "\r\n";
  text += kEnd;
  text += "\r\n";
  if (rollingBack) {
    text += kRollingBack;
    text += "\r\n";
  }
  return text;
}

bool parseJournal(const std::vector<std::string>& lines, Journal& journal) {
  journal = Journal();
  if (lines.empty() || lines.front() != kHeading) return false;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (journal.complete) {
      if (line == kRollingBack) journal.rollingBack = true;
      continue;
    }
    if (line == kEnd) {
      journal.complete = true;
      continue;
    }
    const std::size_t a = line.find('\t');
    const std::size_t b = a == std::string::npos ? a : line.find('\t', a + 1);
    if (b == std::string::npos) return false;
    JournalEntry e;
    if (!unescaped(std::string_view(line).substr(0, a), e.final) ||
        !unescaped(std::string_view(line).substr(a + 1, b - a - 1), e.temporary) ||
        !unescaped(std::string_view(line).substr(b + 1), e.backup))
      return false;
    // Only names within the folder, and only this program's own as temporaries, are ever acted on.
    for (const std::string* n : {&e.final, &e.temporary, &e.backup})
      if (n->find_first_of("/\\") != std::string::npos) return false;
    if (e.final.empty() || e.temporary.compare(0, kPrefix.size(), kPrefix) != 0) return false;
    if (!e.backup.empty() && e.backup.compare(0, kPrefix.size(), kPrefix) != 0) return false;
    journal.entries.push_back(std::move(e));
  }
  return true;
}

bool rollBackCommit(FileSystem& fs, const std::string& folder, const std::vector<JournalEntry>& entries) {
  bool ok = true;
  // The layers were renamed last and go back first, so that no layer names a file that is not there.
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    const std::string final = folder + it->final;
    if (!it->backup.empty()) {
      const std::string backup = folder + it->backup;
      if (!fs.exists(backup)) continue;  // put back already
      // A backup that is a second name of a file never replaced leaves both names in place: it goes as well.
      if (!fs.rename(backup, final) || (fs.exists(backup) && !fs.remove(backup))) ok = false;
    } else if (!fs.exists(folder + it->temporary) && fs.exists(final) && !fs.remove(final)) {
      ok = false;  // a name the commit added, its content renamed from the temporary
    }
  }
  for (const JournalEntry& e : entries)
    if (fs.exists(folder + e.temporary) && !fs.remove(folder + e.temporary)) ok = false;
  return ok;
}

std::unique_ptr<HeldLock> lockOutputFolder(Reporter& out, FileSystem& fs, const std::string& folder, int self) {
  const std::string path = folder + std::string(kLockName);
  bool busy = false;
  std::unique_ptr<HeldLock> lock = fs.tryLock(path, busy);
  if (!lock && busy) {
    const std::string holder = holderOf(fs, path);
    out.newline();
    out.say("Waiting for another Kestrix run (process " + holder + ") to finish writing into " + shownFolder(folder));
    out.flush();
    for (int waited = 0; !lock && busy; waited += kPollMs) {
      if (out.batch() && waited >= kBatchWaitMs) {
        out.newline();
        out.error("Another Kestrix run (process " + holder + ") was still writing into " + shownFolder(folder) +
                  " after 60 seconds - nothing was written");
        out.exits(kExitFailure);
      }
      pauseMilliseconds(kPollMs);
      lock = fs.tryLock(path, busy);
    }
  }
  if (lock) lock->record(std::to_string(self) + "\r\n");
  return lock;
}

void prepareOutputFolder(Reporter& out, FileSystem& fs, const std::string& folder, int self) {
  // Most folders hold nothing of a stopped run: then the lock is not even taken.
  std::vector<std::string> names;
  if (fs.search(folder + std::string(kPrefix) + "*", names) != SearchStatus::Ok) return;
  bool isJournal = false;
  bool any = false;
  for (const std::string& path : names) {
    const int pid = processOf(path.substr(folder.size()), isJournal);
    if (pid != 0 && (pid == self || !processRunning(pid))) any = true;
  }
  if (!any) return;
  const std::unique_ptr<HeldLock> lock = lockOutputFolder(out, fs, folder, self);
  recoverOutputFolder(out, fs, folder, self, true);
}

void recoverOutputFolder(Reporter& out, FileSystem& fs, const std::string& folder, int self, bool selfIncluded) {
  const auto stopped = [&](int pid) { return pid == self ? selfIncluded : !processRunning(pid); };
  std::vector<std::string> names;
  if (fs.search(folder + std::string(kPrefix) + "*", names) != SearchStatus::Ok) return;
  std::set<int> kept;  // runs whose commit could not be settled: their files stay for the next try
  bool isJournal = false;
  for (const std::string& path : names) {
    const std::string name = path.substr(folder.size());
    const int pid = processOf(name, isJournal);
    if (pid != 0 && isJournal && stopped(pid) && !settleJournal(out, fs, folder, name, pid)) kept.insert(pid);
  }
  if (fs.search(folder + std::string(kPrefix) + "*", names) != SearchStatus::Ok) return;
  int removed = 0;
  for (const std::string& path : names) {
    const int pid = processOf(path.substr(folder.size()), isJournal);
    if (pid != 0 && !kept.count(pid) && stopped(pid) && fs.remove(path)) ++removed;
  }
  if (removed == 0) return;
  out.newline();
  out.note("Removed " + std::to_string(removed) + " temporary file" + (removed == 1 ? "" : "s") +
           " that stopped Kestrix runs left in " + shownFolder(folder));
}

}  // namespace kestrix

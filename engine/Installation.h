#pragma once
// Installs a set of staged files all or nothing, so that an installation is never left
// with some files of the new release and some of the old one, whatever happens:
//   1. every staged file is copied to a temporary file beside its destination; a failure
//      deletes the temporaries and nothing in the installation has changed;
//   2. each destination is replaced by its temporary, its old file kept under another
//      name first; a failure puts back every file already replaced;
//   3. the kept old files are removed (one that cannot be removed now, such as a running
//      program's, is removed by a later run).
// A journal written before phase 2 names every destination, temporary and kept file and
// records the phase. When a run finds a journal, the updater was ended while installing:
// Recover finishes the interrupted replacement, since every temporary was whole before
// phase 2 began, or finishes putting the old files back if that was under way. Only the
// journal is flushed to the disk; the installed files are not (that would cost a 256 MiB
// release seconds), so this holds for an ended process, whose writes the system still
// completes, not for a power failure.

#include <functional>
#include <string>
#include <vector>

struct TInstallEntry {
  std::string Source;       // the staged file
  std::string Destination;  // where it is installed
};

class TInstallation {
 public:
  // JournalPath: where the journal lives while an installation is under way.
  explicit TInstallation(std::string JournalPath);

  // Installs every entry. Replaced(i) is called right after entry i has replaced its
  // destination. True when every entry was installed; false when the installation was
  // left as it was.
  bool Run(const std::vector<TInstallEntry> &Entries, const std::function<void(int)> &Replaced);

  // Completes what an interrupted run left; does nothing without a journal.
  void Recover();

  // Called by Run at each point below, every time it is reached, so that a test may stop
  // or kill the installation exactly there:
  //   "copying"   before phase 1 (after the recovery of an earlier run)
  //   "copied"    after each temporary of phase 1 is whole
  //   "replacing" once the journal is written, before the first replacement
  //   "replaced"  after each replaced destination
  //   "cleaning"  once the journal records phase 3, before the kept files go
  using TStepHook = std::function<void(const char *Point)>;
  void SetStepHook(TStepHook Hook) { FStepHook = std::move(Hook); }

 private:
  struct Step {
    std::string Destination, Temporary, Kept;
    bool Existed;  // the destination existed before: put back, not deleted, on failure
  };
  enum class Phase { Replacing, RollingBack, Cleaning };

  bool WriteJournal(Phase phase, const std::vector<Step> &steps) const;
  bool ReadJournal(Phase &phase, std::vector<Step> &steps) const;
  void RollBack(const std::vector<Step> &steps) const;
  // Removes the kept files; the journal goes once none is left.
  void CleanUp(const std::vector<Step> &steps) const;

  void Reached(const char *Point) const {
    if (FStepHook) FStepHook(Point);
  }

  std::string FJournalPath;
  TStepHook FStepHook;
};

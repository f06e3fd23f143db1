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
// phase 2 began, or finishes putting the old files back if that was under way. No kept
// old file and no journal is deleted before every destination is in its final state, so
// a move that fails now (a file held open, a directory in the way) leaves the journal for
// the next run to try again, and no file is lost. Only the journal is flushed to the
// disk; the installed files are not (that would cost a 256 MiB release seconds), so this
// holds for an ended process, whose writes the system still completes, not for a power
// failure.
//
// The journal names every file relative to the program directory, as the manifest does,
// so that it means the same files however the directory is spelled. It is not trusted: one
// that names anything the manifest filter would not keep, or a file twice, is set aside
// unfollowed; one that exists but cannot be read leaves the installation unfinished.

#include <functional>
#include <string>
#include <vector>

struct TInstallEntry {
  std::string Source;  // the staged file
  std::string Name;    // where it is installed, relative to the program directory, "/" separated
};

class TInstallation {
 public:
  // JournalPath: where the journal lives while an installation is under way. ProgramDir:
  // the installation's directory, with its trailing separator; every destination lies in
  // it.
  TInstallation(std::string JournalPath, std::string ProgramDir);

  // Installs every entry; entries name distinct files. Replaced(i) is called right after
  // entry i has replaced its destination. True when every entry was installed. False when it was not: the
  // installation is then as it was before, or, when putting the old files back failed
  // too, Unfinished() is true and a later Recover completes putting them back.
  // FailureReason() says what failed.
  bool Run(const std::vector<TInstallEntry> &Entries, const std::function<void(int)> &Replaced);

  // Completes what an interrupted run left; does nothing without a journal. False when a
  // destination cannot be brought to its final state now: the journal stays as it was,
  // for a later try, and FailureReason() says which file and why.
  bool Recover();

  // The last Run or Recover left the installation between two releases, to be completed
  // by the next Recover.
  bool Unfinished() const { return FUnfinished; }
  // Why the last Run or Recover failed, with the system's reason ("cannot replace X: ...").
  const std::string &FailureReason() const { return FFailureReason; }

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
    std::string Name, Destination, Temporary, Kept;
    bool Existed;  // the destination existed before: put back, not deleted, on failure
  };
  enum class Phase { Replacing, RollingBack, Cleaning };
  enum class Journal { None, Followed, SetAside, Unreadable };
  // What a journal holds: the phase, the steps, and the kept files of earlier
  // installations that could not be removed yet (a program that was running).
  struct Record {
    Phase phase = Phase::Cleaning;
    std::vector<Step> steps;
    std::vector<std::string> leftovers;  // names, like the steps'
  };

  Step StepOf(const std::string &Name, bool Existed) const;
  bool WriteJournal(Phase phase, const Record &record);
  Journal ReadJournal(Record &record) const;
  bool Trusted(const Record &record) const;
  // Each brings every step to its final state; false, with the reason, at the first that
  // cannot be (the steps before it stay done).
  bool ReplaceAll(const std::vector<Step> &steps);
  bool RollBack(const std::vector<Step> &steps);
  // Removes the kept files; the journal goes once none is left. A kept file that cannot go
  // now (a running program's) stays for a later run: the installation itself is whole.
  void CleanUp(const Record &record);
  bool Fail(const std::string &What);

  void Reached(const char *Point) const {
    if (FStepHook) FStepHook(Point);
  }

  std::string FJournalPath;
  std::string FProgramDir;
  TStepHook FStepHook;
  bool FUnfinished = false;
  std::string FFailureReason;
};

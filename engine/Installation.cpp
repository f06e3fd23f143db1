#include "engine/Installation.h"

#include <algorithm>
#include <iterator>
#include <sstream>

#include "engine/ManifestNames.h"
#include "engine/ManifestVocabulary.h"
#include "sys/Error.h"
#include "sys/FileSystem.h"
#include "sys/Platform.h"

namespace {

using vocabulary::kKeptSuffix;
using vocabulary::kNewSuffix;
const char kJournalHeader[] = "quillet installation journal 1";
// Fields of a journal line; names hold no control characters (unsafe manifest names are
// dropped before they get here), so a tab cannot occur in them.
const char kFieldSeparator = '\t';

// The journal's name of each phase, in the order of TInstallation::Phase.
const char *const kPhaseNames[] = {"replacing", "rolling-back", "cleaning"};

// Creates dir with its missing parents, adding those it created to created, outermost
// first, so that an installation that backs out can take them away again.
void CreateDirectories(const std::string &dir, std::vector<std::string> &created) {
  std::vector<std::string> missing;
  for (std::string d = dir; !d.empty() && !sys::DirectoryExists(d); d = sys::ExtractFileDir(d)) missing.push_back(d);
  sys::ForceDirectories(dir);
  created.insert(created.end(), missing.rbegin(), missing.rend());
}

// Removes the directories an installation created, innermost first, those still empty.
void RemoveCreatedDirectories(const std::vector<std::string> &created) {
  for (auto dir = created.rbegin(); dir != created.rend(); ++dir) sys::RemoveEmptyDirectory(*dir);
}

}  // namespace

TInstallation::TInstallation(std::string JournalPath, std::string ProgramDir)
    : FJournalPath(std::move(JournalPath)), FProgramDir(std::move(ProgramDir)) {}

bool TInstallation::Fail(const std::string &What) {
  FFailureReason = sys::WithLastError(What);
  return false;
}

bool TInstallation::WriteJournal(Phase phase, const std::vector<Step> &steps) {
  // Replaced in one step, so a journal is never half there.
  std::string text = std::string(kJournalHeader) + '\n' + kPhaseNames[int(phase)] + '\n';
  for (const Step &step : steps) {
    text += step.Destination + kFieldSeparator + step.Temporary + kFieldSeparator + step.Kept + kFieldSeparator +
            (step.Existed ? '1' : '0') + '\n';
  }
  return sys::ReplaceWholeFile(FJournalPath, text) || Fail("cannot write the installation journal " + FJournalPath);
}

TInstallation::Journal TInstallation::ReadJournal(Phase &phase, std::vector<Step> &steps) const {
  std::string text;
  if (!sys::ReadWholeFile(FJournalPath, text)) return Journal::None;
  std::istringstream in(text);
  std::string line;
  bool readable = std::getline(in, line) && line == kJournalHeader && std::getline(in, line);
  const auto named = std::find(std::begin(kPhaseNames), std::end(kPhaseNames), line);
  readable = readable && named != std::end(kPhaseNames);
  if (readable) phase = Phase(named - std::begin(kPhaseNames));
  steps.clear();
  while (readable && std::getline(in, line)) {
    std::istringstream fields(line);
    Step step;
    std::string existed;
    readable = std::getline(fields, step.Destination, kFieldSeparator) &&
               std::getline(fields, step.Temporary, kFieldSeparator) &&
               std::getline(fields, step.Kept, kFieldSeparator) && std::getline(fields, existed);
    step.Existed = existed == "1";
    steps.push_back(step);
  }
  if (readable && Trusted(steps)) return Journal::Followed;
  // Not a journal of ours, or one that names files it has no business with: it is kept
  // aside for whoever looks, and nothing is moved or deleted for it.
  sys::MoveFileReplacing(FJournalPath,
                         sys::WithTrailingSeparator(sys::ExtractFileDir(FJournalPath)) + vocabulary::kSetAsideJournalName);
  return Journal::SetAside;
}

bool TInstallation::Trusted(const std::vector<Step> &steps) const {
  for (const Step &step : steps) {
    if (step.Destination.compare(0, FProgramDir.size(), FProgramDir) != 0) return false;
    std::string name = step.Destination.substr(FProgramDir.size());
    std::replace(name.begin(), name.end(), sys::kPathSep, '/');
    if (!IsSafeManifestName(name) || step.Temporary != step.Destination + kNewSuffix ||
        step.Kept != step.Destination + kKeptSuffix) {
      return false;
    }
  }
  return true;
}

bool TInstallation::Run(const std::vector<TInstallEntry> &Entries, const std::function<void(int)> &Replaced) {
  // A new installation never starts on top of an unfinished one.
  if (!Recover()) return false;
  Reached("copying");
  std::vector<Step> steps;
  std::vector<std::string> createdDirectories;
  bool staged = true;
  // Phase 1: the new files beside their destinations.
  for (const TInstallEntry &entry : Entries) {
    Step step{entry.Destination, entry.Destination + kNewSuffix, entry.Destination + kKeptSuffix,
              sys::FileExists(entry.Destination)};
    steps.push_back(step);
    CreateDirectories(sys::ExtractFileDir(step.Destination), createdDirectories);
    // A kept file left by an earlier run must not be taken for this run's on a roll-back;
    // a directory where the file belongs cannot be replaced by it.
    if (sys::FileExists(step.Kept) && !sys::RemoveFile(step.Kept)) {
      staged = Fail("cannot remove " + step.Kept);
    } else if (sys::DirectoryExists(step.Destination)) {
      FFailureReason = "cannot replace " + step.Destination + ": a folder stands in its place";
      staged = false;
    } else if (!sys::CopyFileReplacing(entry.Source, step.Temporary)) {
      staged = Fail("cannot copy " + entry.Source + " to " + step.Temporary);
    }
    if (!staged) break;
    Reached("copied");
  }
  if (!staged || !WriteJournal(Phase::Replacing, steps)) {
    for (const Step &step : steps) sys::RemoveFile(step.Temporary);
    sys::RemoveFile(FJournalPath);
    RemoveCreatedDirectories(createdDirectories);
    return false;
  }

  // Phase 2: each destination replaced, its old file kept.
  Reached("replacing");
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const Step &step = steps[i];
    bool kept = !step.Existed || sys::MoveFileReplacing(step.Destination, step.Kept);
    if (!kept) Fail("cannot set aside " + step.Destination);
    if (kept && !sys::MoveFileReplacing(step.Temporary, step.Destination)) {
      Fail("cannot replace " + step.Destination);
      if (step.Existed) sys::MoveFileReplacing(step.Kept, step.Destination);
      kept = false;
    }
    if (!kept) {
      const std::string reason = FFailureReason;
      // Until the journal says so, a later run would complete the installation instead.
      FUnfinished = !WriteJournal(Phase::RollingBack, steps) || !RollBack(steps);
      if (!FUnfinished) {
        sys::RemoveFile(FJournalPath);
        RemoveCreatedDirectories(createdDirectories);
        FFailureReason = reason;
      } else {
        FFailureReason = reason + "; the installation is unfinished: " + FFailureReason;
      }
      return false;
    }
    if (Replaced) Replaced(int(i));
    Reached("replaced");
  }

  // Phase 3: the old files go. A journal that still says "replacing" leads a later run to
  // the same end, so a failure to record the phase changes nothing.
  WriteJournal(Phase::Cleaning, steps);
  Reached("cleaning");
  CleanUp(steps);
  return true;
}

bool TInstallation::ReplaceAll(const std::vector<Step> &steps) {
  // Every temporary still there is whole; its destination was not replaced yet.
  for (const Step &step : steps) {
    if (!sys::FileExists(step.Temporary)) continue;
    if (step.Existed && sys::FileExists(step.Destination) && !sys::MoveFileReplacing(step.Destination, step.Kept)) {
      return Fail("cannot set aside " + step.Destination);
    }
    if (!sys::MoveFileReplacing(step.Temporary, step.Destination)) return Fail("cannot replace " + step.Destination);
  }
  return true;
}

bool TInstallation::RollBack(const std::vector<Step> &steps) {
  for (const Step &step : steps) {
    if (sys::FileExists(step.Kept)) {
      if (!sys::MoveFileReplacing(step.Kept, step.Destination)) return Fail("cannot put back " + step.Destination);
    } else if (!step.Existed && !sys::FileExists(step.Temporary) && sys::FileExists(step.Destination)) {
      // A file the release added, already in place: the old installation had none.
      if (!sys::RemoveFile(step.Destination)) return Fail("cannot remove " + step.Destination);
    }
    if (sys::FileExists(step.Temporary) && !sys::RemoveFile(step.Temporary)) {
      return Fail("cannot remove " + step.Temporary);
    }
  }
  return true;
}

void TInstallation::CleanUp(const std::vector<Step> &steps) {
  bool allRemoved = true;
  for (const Step &step : steps) {
    if (sys::FileExists(step.Kept) && !sys::RemoveFile(step.Kept)) allRemoved = false;
  }
  if (allRemoved) sys::RemoveFile(FJournalPath);
}

bool TInstallation::Recover() {
  FUnfinished = false;
  FFailureReason.clear();
  Phase phase;
  std::vector<Step> steps;
  if (ReadJournal(phase, steps) != Journal::Followed) return true;
  switch (phase) {
    case Phase::RollingBack:
      FUnfinished = !RollBack(steps);
      if (!FUnfinished) sys::RemoveFile(FJournalPath);
      break;
    case Phase::Replacing:
      FUnfinished = !ReplaceAll(steps);
      // A journal that still says "replacing" leads the next run to the same end.
      if (!FUnfinished && WriteJournal(Phase::Cleaning, steps)) CleanUp(steps);
      break;
    case Phase::Cleaning:
      CleanUp(steps);
      break;
  }
  if (FUnfinished) FFailureReason = "the last installation is unfinished: " + FFailureReason;
  return !FUnfinished;
}

#include "engine/Installation.h"

#include <algorithm>
#include <iterator>
#include <sstream>

#include "engine/ManifestVocabulary.h"
#include "sys/FileSystem.h"

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

TInstallation::TInstallation(std::string JournalPath) : FJournalPath(std::move(JournalPath)) {}

bool TInstallation::WriteJournal(Phase phase, const std::vector<Step> &steps) const {
  // Replaced in one step, so a journal is never half there.
  std::string text = std::string(kJournalHeader) + '\n' + kPhaseNames[int(phase)] + '\n';
  for (const Step &step : steps) {
    text += step.Destination + kFieldSeparator + step.Temporary + kFieldSeparator + step.Kept + kFieldSeparator +
            (step.Existed ? '1' : '0') + '\n';
  }
  return sys::ReplaceWholeFile(FJournalPath, text);
}

bool TInstallation::ReadJournal(Phase &phase, std::vector<Step> &steps) const {
  std::string text;
  if (!sys::ReadWholeFile(FJournalPath, text)) return false;
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line) || line != kJournalHeader || !std::getline(in, line)) return false;
  const auto named = std::find(std::begin(kPhaseNames), std::end(kPhaseNames), line);
  if (named == std::end(kPhaseNames)) return false;
  phase = Phase(named - std::begin(kPhaseNames));
  steps.clear();
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    Step step;
    std::string existed;
    if (!std::getline(fields, step.Destination, kFieldSeparator) ||
        !std::getline(fields, step.Temporary, kFieldSeparator) || !std::getline(fields, step.Kept, kFieldSeparator) ||
        !std::getline(fields, existed)) {
      return false;
    }
    step.Existed = existed == "1";
    steps.push_back(step);
  }
  return true;
}

bool TInstallation::Run(const std::vector<TInstallEntry> &Entries, const std::function<void(int)> &Replaced) {
  Recover();
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
    if ((sys::FileExists(step.Kept) && !sys::RemoveFile(step.Kept)) || sys::DirectoryExists(step.Destination) ||
        !sys::CopyFileReplacing(entry.Source, step.Temporary)) {
      staged = false;
      break;
    }
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
    const bool kept = !step.Existed || sys::MoveFileReplacing(step.Destination, step.Kept);
    if (!kept || !sys::MoveFileReplacing(step.Temporary, step.Destination)) {
      if (kept && step.Existed) sys::MoveFileReplacing(step.Kept, step.Destination);
      if (WriteJournal(Phase::RollingBack, steps)) {
        RollBack(steps);
        RemoveCreatedDirectories(createdDirectories);
      }
      return false;
    }
    if (Replaced) Replaced(int(i));
    Reached("replaced");
  }

  // Phase 3: the old files go.
  WriteJournal(Phase::Cleaning, steps);
  Reached("cleaning");
  CleanUp(steps);
  return true;
}

void TInstallation::RollBack(const std::vector<Step> &steps) const {
  for (const Step &step : steps) {
    if (sys::FileExists(step.Kept)) {
      sys::MoveFileReplacing(step.Kept, step.Destination);
    } else if (!step.Existed && !sys::FileExists(step.Temporary)) {
      // A file the release added, already in place: the old installation had none.
      sys::RemoveFile(step.Destination);
    }
    sys::RemoveFile(step.Temporary);
  }
  sys::RemoveFile(FJournalPath);
}

void TInstallation::CleanUp(const std::vector<Step> &steps) const {
  bool allRemoved = true;
  for (const Step &step : steps) {
    if (sys::FileExists(step.Kept) && !sys::RemoveFile(step.Kept)) allRemoved = false;
  }
  if (allRemoved) sys::RemoveFile(FJournalPath);
}

void TInstallation::Recover() {
  if (!sys::FileExists(FJournalPath)) return;
  Phase phase;
  std::vector<Step> steps;
  if (!ReadJournal(phase, steps)) {
    // Not a journal of ours, or one cut short before phase 2 began (it is written whole
    // and renamed into place): nothing was replaced.
    sys::RemoveFile(FJournalPath);
    return;
  }
  if (phase == Phase::RollingBack) {
    RollBack(steps);
    return;
  }
  if (phase == Phase::Replacing) {
    // Every temporary still there is whole; its destination was not replaced yet.
    for (const Step &step : steps) {
      if (!sys::FileExists(step.Temporary)) continue;
      if (step.Existed && sys::FileExists(step.Destination)) sys::MoveFileReplacing(step.Destination, step.Kept);
      sys::MoveFileReplacing(step.Temporary, step.Destination);
    }
    WriteJournal(Phase::Cleaning, steps);
  }
  CleanUp(steps);
}

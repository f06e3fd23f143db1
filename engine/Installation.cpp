#include "engine/Installation.h"

#include <algorithm>
#include <iterator>
#include <set>
#include <sstream>

#include "engine/ManifestNames.h"
#include "engine/ManifestVocabulary.h"
#include "sys/Error.h"
#include "sys/FileSystem.h"
#include "sys/Platform.h"
#include "sys/TextCase.h"

namespace {

using vocabulary::kKeptSuffix;
using vocabulary::kNewSuffix;
const char kJournalHeader[] = "quillet installation journal 2";
// The journal of earlier versions, which named absolute paths; still followed when they
// lie in the program directory as it is spelled now.
const char kAbsolutePathsHeader[] = "quillet installation journal 1";
// Fields of a journal line; names hold no control characters (unsafe manifest names are
// dropped before they get here), so a tab cannot occur in them.
const char kFieldSeparator = '\t';
const char kFileLine[] = "file";
const char kLeftoverLine[] = "leftover";

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

TInstallation::Step TInstallation::StepOf(const std::string &Name, bool Existed) const {
  const std::string destination = FProgramDir + sys::ToLocalPath(Name);
  return Step{Name, destination, destination + kNewSuffix, destination + kKeptSuffix, Existed};
}

bool TInstallation::WriteJournal(Phase phase, const Record &record) {
  // Replaced in one step, so a journal is never half there.
  std::string text = std::string(kJournalHeader) + '\n' + kPhaseNames[int(phase)] + '\n';
  for (const Step &step : record.steps) {
    text += std::string(kFileLine) + kFieldSeparator + (step.Existed ? '1' : '0') + kFieldSeparator + step.Name + '\n';
  }
  for (const std::string &name : record.leftovers) text += std::string(kLeftoverLine) + kFieldSeparator + name + '\n';
  return sys::ReplaceWholeFile(FJournalPath, text) || Fail("cannot write the installation journal " + FJournalPath);
}

TInstallation::Journal TInstallation::ReadJournal(Record &record) const {
  if (!sys::FileExists(FJournalPath)) return Journal::None;
  std::string text;
  if (!sys::ReadWholeFile(FJournalPath, text)) return Journal::Unreadable;
  std::istringstream in(text);
  std::string header, line;
  const bool absolutePaths = std::getline(in, header) && header == kAbsolutePathsHeader;
  bool readable = (absolutePaths || header == kJournalHeader) && std::getline(in, line);
  const auto named = std::find(std::begin(kPhaseNames), std::end(kPhaseNames), line);
  readable = readable && named != std::end(kPhaseNames);
  if (readable) record.phase = Phase(named - std::begin(kPhaseNames));
  record.steps.clear();
  record.leftovers.clear();
  while (readable && std::getline(in, line)) {
    std::istringstream fields(line);
    std::string kind, existed, name, temporary, kept;
    if (absolutePaths) {
      // destination, temporary, kept, existed: each must be a file of the program directory.
      readable = std::getline(fields, name, kFieldSeparator) && std::getline(fields, temporary, kFieldSeparator) &&
                 std::getline(fields, kept, kFieldSeparator) && std::getline(fields, existed) &&
                 name.compare(0, FProgramDir.size(), FProgramDir) == 0;
      const std::string destination = name;
      name = readable ? name.substr(FProgramDir.size()) : std::string();
      std::replace(name.begin(), name.end(), sys::kPathSep, '/');
      readable = readable && temporary == destination + kNewSuffix && kept == destination + kKeptSuffix;
      record.steps.push_back(StepOf(name, existed == "1"));
    } else if (std::getline(fields, kind, kFieldSeparator) && kind == kFileLine) {
      readable = std::getline(fields, existed, kFieldSeparator) && std::getline(fields, name) &&
                 (existed == "0" || existed == "1");
      record.steps.push_back(StepOf(name, existed == "1"));
    } else {
      readable = kind == kLeftoverLine && std::getline(fields, name);
      record.leftovers.push_back(name);
    }
  }
  if (readable && Trusted(record)) return Journal::Followed;
  // Not a journal of ours, or one that names files it has no business with: it is kept
  // aside for whoever looks, and nothing is moved or deleted for it.
  sys::MoveFileReplacing(FJournalPath,
                         sys::WithTrailingSeparator(sys::ExtractFileDir(FJournalPath)) + vocabulary::kSetAsideJournalName);
  return Journal::SetAside;
}

bool TInstallation::Trusted(const Record &record) const {
  // Names the manifest filter keeps, each file once.
  std::set<std::string> seen;
  std::vector<std::string> names = record.leftovers;
  for (const Step &step : record.steps) names.push_back(step.Name);
  for (const std::string &name : names) {
    if (!IsSafeManifestName(name) || !seen.insert(CanonicalManifestName(name)).second) return false;
  }
  return true;
}

bool TInstallation::Run(const std::vector<TInstallEntry> &Entries, const std::function<void(int)> &Replaced) {
  FUnfinished = false;
  FFailureReason.clear();
  // A new installation never starts on top of an unfinished one. Kept files that an
  // earlier one could not remove yet stay in this one's journal, to go with its own.
  if (!Recover()) return false;
  Record record;
  record.phase = Phase::Replacing;
  Record earlier;
  if (ReadJournal(earlier) == Journal::Followed) {
    for (const Step &step : earlier.steps) record.leftovers.push_back(step.Name);
    record.leftovers.insert(record.leftovers.end(), earlier.leftovers.begin(), earlier.leftovers.end());
  }
  std::set<std::string> names;
  for (const TInstallEntry &entry : Entries) {
    if (!names.insert(CanonicalManifestName(entry.Name)).second) {
      FFailureReason = "the release names " + entry.Name + " twice";
      return false;
    }
  }
  Reached("copying");
  std::vector<Step> &steps = record.steps;
  std::vector<std::string> createdDirectories;
  bool staged = true;
  // Phase 1: the new files beside their destinations.
  for (const TInstallEntry &entry : Entries) {
    const std::string destination = FProgramDir + sys::ToLocalPath(entry.Name);
    steps.push_back(StepOf(entry.Name, sys::FileExists(destination)));
    const Step &step = steps.back();
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
  if (!staged || !WriteJournal(Phase::Replacing, record)) {
    for (const Step &step : steps) sys::RemoveFile(step.Temporary);
    // The earlier journal's leftovers stay recorded where they were.
    if (!earlier.steps.empty() || !earlier.leftovers.empty()) {
      WriteJournal(Phase::Cleaning, earlier);
    } else {
      sys::RemoveFile(FJournalPath);
    }
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
      FUnfinished = !WriteJournal(Phase::RollingBack, record) || !RollBack(steps);
      if (!FUnfinished) {
        record.steps.clear();
        if (record.leftovers.empty()) {
          sys::RemoveFile(FJournalPath);
        } else {
          WriteJournal(Phase::Cleaning, record);
        }
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
  WriteJournal(Phase::Cleaning, record);
  Reached("cleaning");
  CleanUp(record);
  return true;
}

bool TInstallation::ReplaceAll(const std::vector<Step> &steps) {
  // Every temporary still there is whole; its destination was not replaced yet.
  for (const Step &step : steps) {
    if (!sys::FileExists(step.Temporary)) continue;
    const bool setAside = step.Existed && sys::FileExists(step.Destination);
    if (setAside && !sys::MoveFileReplacing(step.Destination, step.Kept)) {
      return Fail("cannot set aside " + step.Destination);
    }
    if (!sys::MoveFileReplacing(step.Temporary, step.Destination)) {
      Fail("cannot replace " + step.Destination);
      // The old file stays in its place until the new one can take it.
      if (setAside) sys::MoveFileReplacing(step.Kept, step.Destination);
      return false;
    }
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

void TInstallation::CleanUp(const Record &record) {
  Record left;
  left.phase = Phase::Cleaning;
  std::vector<std::string> names = record.leftovers;
  for (const Step &step : record.steps) names.push_back(step.Name);
  for (const std::string &name : names) {
    const Step step = StepOf(name, true);
    if (sys::FileExists(step.Kept) && !sys::RemoveFile(step.Kept)) left.leftovers.push_back(name);
  }
  // What could not go is remembered, and only that.
  if (left.leftovers.empty()) {
    sys::RemoveFile(FJournalPath);
  } else if (left.leftovers.size() != names.size()) {
    WriteJournal(Phase::Cleaning, left);
  }
}

bool TInstallation::Recover() {
  FUnfinished = false;
  FFailureReason.clear();
  Record record;
  switch (ReadJournal(record)) {
    case Journal::None:
    case Journal::SetAside:
      return true;
    case Journal::Unreadable:
      // It may promise a replacement: nothing may start before it is read.
      FUnfinished = true;
      FFailureReason = sys::WithLastError("the last installation is unfinished: cannot read " + FJournalPath);
      return false;
    case Journal::Followed:
      break;
  }
  switch (record.phase) {
    case Phase::RollingBack:
      FUnfinished = !RollBack(record.steps);
      if (!FUnfinished) {
        record.steps.clear();
        CleanUp(record);
      }
      break;
    case Phase::Replacing:
      FUnfinished = !ReplaceAll(record.steps);
      // A journal that still says "replacing" leads the next run to the same end.
      if (!FUnfinished && WriteJournal(Phase::Cleaning, record)) CleanUp(record);
      break;
    case Phase::Cleaning:
      CleanUp(record);
      break;
  }
  if (FUnfinished) FFailureReason = "the last installation is unfinished: " + FFailureReason;
  return !FUnfinished;
}

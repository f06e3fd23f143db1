#pragma once
#include "engine/SoftUpdater.h"

#include <cstdint>
#include <cstdio>
#include <string>

// Shows the downloads of a chain: a bar that follows the current file on a terminal, one
// line per finished file otherwise. It listens to the engine's notifications, which
// arrive on download worker threads one after another.
class ProgressReport {
 public:
  ProgressReport(TSoftUpdater &Updater, std::FILE *Out, bool Terminal);

  int FilesDownloaded() const { return filesDownloaded_; }
  std::int64_t BytesDownloaded() const { return bytesDownloaded_; }

 private:
  void Downing(int CurSize, int TotSize);
  void Downed();
  std::string CurrentName() const;

  TSoftUpdater &updater_;
  std::FILE *out_;
  bool terminal_;
  int current_ = 0;
  int total_ = 0;
  int shownPercent_ = -1;
  int filesDownloaded_ = 0;
  std::int64_t bytesDownloaded_ = 0;
};

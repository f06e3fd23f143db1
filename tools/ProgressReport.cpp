#include "tools/ProgressReport.h"

#include <algorithm>

namespace {
constexpr int kBarWidth = 30;
}

ProgressReport::ProgressReport(TSoftUpdater &Updater, std::FILE *Out, bool Terminal)
    : updater_(Updater), out_(Out), terminal_(Terminal) {
  updater_.OnFileDowning = [this](TObject *, int CurSize, int TotSize, std::string) { Downing(CurSize, TotSize); };
  updater_.OnFileDowned = [this](TObject *) { Downed(); };
}

std::string ProgressReport::CurrentName() const {
  const int index = updater_.FFileIndex;
  return index >= 0 && index < updater_.FFileList.Count() ? updater_.FFileList[index] : std::string();
}

void ProgressReport::Downing(int CurSize, int TotSize) {
  current_ = CurSize;
  total_ = TotSize;
  if (!terminal_ || TotSize <= 0) return;
  const int percent = int(std::int64_t(CurSize) * 100 / TotSize);
  if (percent == shownPercent_) return;
  shownPercent_ = percent;
  const int filled = std::min(kBarWidth, percent * kBarWidth / 100);
  std::fprintf(out_, "\r  [%s%s] %3d%%  %s", std::string(std::size_t(filled), '#').c_str(),
               std::string(std::size_t(kBarWidth - filled), '.').c_str(), percent, CurrentName().c_str());
  std::fflush(out_);
}

void ProgressReport::Downed() {
  const bool whole = total_ > 0 && current_ >= total_;
  if (whole) {
    ++filesDownloaded_;
    bytesDownloaded_ += current_;
  }
  if (terminal_) std::fputs("\r\033[K", out_);
  std::fprintf(out_, "  %s %s (%d bytes)\n", whole ? "fetched" : "FAILED ", CurrentName().c_str(), current_);
  std::fflush(out_);
  current_ = total_ = 0;
  shownPercent_ = -1;
}

// The decision side of bench/run: how long the engine takes to work out the files of an
// update from a local manifest, against reading and parsing that manifest once.
//   decision_bench MANIFEST INSTALLED_VERSION RUNS
// For each run: copies MANIFEST to a scratch file beside it, records INSTALLED_VERSION in it
// as the check does, then times GetUpdateFiles on it; and times reading plus parsing the
// same file once. Prints the median of each in milliseconds and the number of files listed:
//   decision_ms floor_ms files
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "engine/UpdateIni.h"
#include "sys/FileSystem.h"
#include "ini/ProfileText.h"

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t mid = values.size() / 2;
  return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

std::string ReadWholeFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// The cheapest possible answer: the bytes read and parsed once, nothing looked up.
double TimeReadAndParse(const std::string &path, std::size_t &sections) {
  const Clock::time_point start = Clock::now();
  ini::ProfileText parsed(ReadWholeFile(path));
  const double elapsed = MillisecondsSince(start);
  sections = parsed.SectionNames().size();
  return elapsed;
}

// GetUpdateFiles as the check calls it: on a freshly written manifest, just after the
// installed version has been recorded in it.
double TimeDecision(const std::string &manifest, const std::string &scratch, const std::string &installed, int &files) {
  if (!sys::CopyFileReplacing(manifest, scratch)) {
    std::fprintf(stderr, "decision_bench: cannot copy %s\n", manifest.c_str());
    std::exit(1);
  }
  TUpdateIni ini(scratch);
  ini.WriteStr(ukLastVersion, installed);
  TStringList list;
  const Clock::time_point start = Clock::now();
  ini.GetUpdateFiles(list);
  const double elapsed = MillisecondsSince(start);
  files = list.Count();
  return elapsed;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: decision_bench MANIFEST INSTALLED_VERSION RUNS\n");
    return 2;
  }
  const std::string manifest = argv[1];
  const std::string scratch = manifest + ".bench";
  const int runs = std::max(1, std::atoi(argv[3]));
  std::vector<double> decisions, floors;
  int files = 0;
  std::size_t sections = 0;
  for (int i = 0; i < runs; ++i) {
    decisions.push_back(TimeDecision(manifest, scratch, argv[2], files));
    floors.push_back(TimeReadAndParse(manifest, sections));
  }
  sys::RemoveFile(scratch);
  if (files == 0 || sections == 0) {
    std::fprintf(stderr, "decision_bench: the manifest lists nothing to update\n");
    return 1;
  }
  std::printf("%.3f %.3f %d\n", Median(decisions), Median(floors), files);
  return 0;
}

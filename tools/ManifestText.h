#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ini/ProfileText.h"

// The manifest ("update.ini") as text, for the publisher, read by the rules of the INI
// reader that the updater uses. A new release is added by editing the text in two places,
// the new release section and the "curr_version" entry, so that everything else (older
// sections, comments, line endings) stays byte for byte.
class ManifestText {
 public:
  explicit ManifestText(std::string text);

  // "curr_version" of "conf"; empty when there is none.
  std::string CurrVersion() const;
  // Whether a section of this name exists; names compare without regard to case.
  bool HasSection(const std::string &name) const;
  // True when a "conf" section stands between two release sections: the updater would
  // then read its values as file names.
  bool ConfBetweenReleases() const;

  // The text with a section "files_ver_" + version listing names (as f1=, f2=, ...)
  // before the first release section, or at the end when there is none, and with
  // "curr_version" of "conf" set to version. A missing "conf" is added at the start.
  std::string WithNewRelease(const std::string &version, const std::vector<std::string> &names) const;

  // Every name the release sections list, section by section, repeats included.
  std::vector<std::string> ListedNames() const;
  // The text with "serial" and "expires" of "conf" set, and a section "files_hash" of
  // these values (h1=, h2=, ...) in place of any earlier one, before the first release
  // section (at the end when there is none).
  std::string WithSignedFacts(std::uint64_t serial, const std::string &expires,
                              const std::vector<std::string> &fileHashes) const;

  const std::string &Text() const { return profile_.Text(); }
  const ini::ProfileText &Profile() const { return profile_; }

 private:
  // Offset of the first header line at or after `from` of a section whose name is wanted;
  // npos when there is none.
  static std::size_t FindHeader(const std::string &text, std::size_t from,
                                const std::function<bool(const std::string &)> &wanted);
  // Offset of the first release section's header line; npos when there is none.
  std::size_t FirstReleaseHeader() const;
  std::string LineEnd() const;

  ini::ProfileText profile_;
};

// Whether a section name is a release's: "files_ver_" followed by anything, in any case.
bool IsReleaseSection(const std::string &name);

// Why text cannot serve as a release's version, or an empty text when it can. The version
// becomes a section name and the value of "curr_version", and the updater compares it with
// the installed program's version byte for byte, so it must read back exactly as written.
std::string VersionTextProblem(const std::string &version);

#pragma once
#include <cstddef>
#include <string>
#include <vector>

// The manifest ("update.ini") as text, for the publisher. A new release is added by
// editing the text in two places, the new release section and the "curr_version" entry,
// so that everything else (older sections, comments, line endings) stays byte for byte.
// Section and key names are recognised as the INI reader does: blanks around them are
// ignored, and they compare without regard to case, the first match winning.
class ManifestText {
 public:
  explicit ManifestText(std::string text);

  // "curr_version" of the first "conf" section; empty when there is none.
  std::string CurrVersion() const;
  bool HasSection(const std::string &name) const;
  // True when a "conf" section stands between two release sections: the updater would
  // then read its values as file names.
  bool ConfBetweenReleases() const;

  // The text with a section "files_ver_" + version listing names (as f1=, f2=, ...)
  // before the first release section, or at the end when there is none, and with
  // "curr_version" of "conf" set to version. A missing "conf" is added at the start.
  std::string WithNewRelease(const std::string &version, const std::vector<std::string> &names) const;

 private:
  struct Line {
    std::size_t Begin;  // offset of the first byte
    std::size_t End;    // offset of the line ending (or of the end of the text)
    std::size_t Next;   // offset of the next line
    bool IsHeader;
    std::string Name;  // section name of a header, key name of an entry, else empty
  };
  struct Section {
    std::string Name;
    std::size_t Header;   // index in lines_ of its header line
    std::size_t EndLine;  // index in lines_ of the line after its last one
  };

  std::string WithCurrVersion(const std::string &version) const;
  std::string LineText(const Line &line) const;  // without blanks at either end
  bool IsRelease(const Section &section) const;
  const Section *FirstSection(const std::string &name) const;
  const Section *FirstRelease() const;

  std::string text_;
  std::string eol_;  // the text's line ending, "\r\n" for a new text
  std::vector<Line> lines_;
  std::vector<Section> sections_;
};

// Why text cannot serve as a release's version, or an empty text when it can. The version
// becomes a section name and the value of "curr_version", and the updater compares it with
// the installed program's version byte for byte, so it must read back exactly as written.
std::string VersionTextProblem(const std::string &version);

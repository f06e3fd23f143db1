#pragma once
#include "core/StringList.h"

#include <string>

// A manifest names files relative to the program directory, and each is staged under the
// same name in the staging folder. A name that could reach outside the program directory,
// that Windows cannot store or resolves to something else, or that would land on one of
// the updater's own files, is never fetched or installed. Names are judged as Windows
// resolves them: "/" and "\" both separate segments, and segments compare without regard
// to ASCII case.
enum class TNameProblem {
  kNone,
  kEmpty,               // no name, or an empty segment ("a//b", "a/")
  kAbsolute,            // starts with a separator
  kParentSegment,       // a ".." segment
  kForbiddenCharacter,  // a control character or one of <>:"|?* (":" also rules out drives)
  kTrailingDotOrBlank,  // a segment ending in "." or " ", which Windows strips ("." included)
  kDeviceName,          // CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, with or without an extension
  kShortNameForm,       // a segment such as "INSTAL~1.JOU", which may be another file's short name
  kReserved,            // the staging folder, a file of the updater's own, or one of its name endings
};

TNameProblem ManifestNameProblem(const std::string &Name);
bool IsSafeManifestName(const std::string &Name);

// The file Name stands for as Windows finds it: "/" between segments, case folded. Two
// names with one canonical name are one file ("plugins/a.dll", "PLUGINS\A.DLL").
std::string CanonicalManifestName(const std::string &Name);
// Name with "/" for every "\\", which Windows reads as a separator too.
std::string SlashedManifestName(std::string Name);

// Removes every unsafe name from List, and every name of a file listed before it, keeping
// the order of the others.
void DropUnsafeNames(TStringList &List);

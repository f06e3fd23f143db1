#pragma once
#include <string>

// Why a release file may not be published under Name, its path relative to the release
// folder with "/" between directories; an empty text when it may. A published name must
// reach every client unchanged, as a manifest entry, as part of a URL and as a Windows
// file name, so the rules are the strictest of the three:
// - the updater keeps it (see ManifestNameProblem: inside the program directory, a name
//   Windows can store as written, none of the updater's own files);
// - it is printable ASCII: the manifest is read in each client's code page, so any other
//   byte would name different files on different clients; controls and DEL are refused;
// - "%", "#" and "?" would change its meaning in a URL. A space may stand inside a name:
//   the updater sends it percent-encoded and the server decodes it;
// - the manifest reader gives it back as written: no leading blank and no enclosing
//   quotes, which the INI reader removes.
std::string PublishNameProblem(const std::string &Name);

#pragma once
#include <string>

// Why a release file may not be published under Name, its path relative to the release
// folder with "/" between directories; an empty text when it may. A published name must
// reach every client unchanged, as a manifest entry, as part of a URL and as a Windows
// file name, so the rules are the strictest of the three:
// - the updater keeps it (not absolute, no ".." segment, no character Windows forbids);
// - it is printable ASCII: the manifest is read in each client's code page, so any other
//   byte would name different files on different clients; controls and DEL are refused;
// - "%", "#" and "?" would change its meaning in a URL. A space may stand inside a name:
//   the updater sends it percent-encoded and the server decodes it;
// - no segment is a device name Windows reserves (CON, PRN, AUX, NUL, COM1-COM9,
//   LPT1-LPT9, with any extension), and none ends in a dot or a blank, which Windows
//   strips;
// - the manifest reader gives it back as written: no leading blank and no enclosing
//   quotes, which the INI reader removes;
// - it does not take the manifest's own place on the server ("update.ini").
std::string PublishNameProblem(const std::string &Name);

#pragma once
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace ini {

class ProfileText;

// Access to INI ("profile") files, with the rules of the Windows profile functions:
// section and key names compare without regard to case (first match wins), a value is
// the text after the first "=", with surrounding blanks and one pair of enclosing quotes
// removed, cut at 2047 characters. Every call reads the file as it is at that moment.
// On Windows these are GetPrivateProfileStringA / WritePrivateProfileStringA.

std::string ReadProfileString(const std::string &file, const std::string &section, const std::string &key,
                              const std::string &defaultValue);

// Sets key in section, creating the file, the section or the key as needed; the change
// is on disk when the call returns. False when the system refused the write.
bool WriteProfileString(const std::string &file, const std::string &section, const std::string &key,
                        const std::string &value);

// Names of every section of the file, in file order (none for a missing file).
std::vector<std::string> ReadProfileSectionNames(const std::string &file);

// Key names of the first section named `section`, in file order; comment entries (";...")
// and entries without a key name ("=value") are not listed.
std::vector<std::string> ReadProfileKeyNames(const std::string &file, const std::string &section);

// Each key that ReadProfileKeyNames lists, paired with the value ReadProfileString gives
// it (so a repeated key has its first value), from one reading of the file: a section of
// many entries costs one look-up, not one per key.
std::vector<std::pair<std::string, std::string>> ReadProfileSectionValues(const std::string &file,
                                                                          const std::string &section);

// The file as it is now, read once and parsed: its reads give what the functions above
// give for this state of the file (an empty text for a missing file). For a reader that
// asks many questions of one file, where each call above would read the file again.
std::shared_ptr<const ProfileText> ReadProfileFile(const std::string &file);

}  // namespace ini

#pragma once
// How an INI file is stored, told as the Windows profile functions tell it: by its
// byte-order mark alone. FF FE starts UTF-16 little-endian, FE FF big-endian; anything
// else is narrow text in the system code page (a UTF-8 mark is skipped by the reader).
// UTF-16 files are read converted to the system code page and written back in their own
// encoding, as Windows reads and writes them; translators save language files so with
// Notepad's "Unicode".
#include <string>

namespace ini {

// The mark that starts a UTF-8 file; the readers skip it.
inline constexpr char kUtf8ByteOrderMark[] = "\xEF\xBB\xBF";

enum class ProfileEncoding { kNarrow, kUtf16LittleEndian, kUtf16BigEndian };

ProfileEncoding EncodingOf(const std::string &Stored);
// The stored bytes as narrow text: UTF-16 without its mark, converted to the system code
// page ("?" for what it lacks); narrow text unchanged.
std::string DecodeProfile(const std::string &Stored);
// Narrow text stored in Encoding: UTF-16 with its mark in front.
std::string EncodeProfile(const std::string &Text, ProfileEncoding Encoding);

}  // namespace ini

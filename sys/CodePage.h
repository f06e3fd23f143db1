#pragma once
#include <cstddef>
#include <string>

// The system code page: the code page of all text the program shows and reads as narrow
// text. On Windows it is the ANSI code page (CP_ACP); on POSIX the code page of the user's
// locale (LC_ALL, LC_CTYPE, LANG), UTF-8 on every system the program runs on, whatever
// locale the process itself has set. Like the ANSI code page it is fixed for the life of
// the process.

// Text in UTF-8 (as built into the program's sources) in the system code page:
// WideCharToMultiByte with CP_ACP on Windows, where a character the code page lacks
// becomes its default character ("?"); on POSIX, where the system code page is UTF-8,
// the text unchanged.
std::string Utf8ToSystemCodePage(const std::string &Utf8);

// `Units` UTF-16 units stored little-endian at Text, in the system code page, at most Room
// bytes of it: a character the code page lacks becomes "?" (WideCharToMultiByte's default
// character), and text that does not fit is cut at a character boundary.
std::string Utf16LeToSystemCodePage(const unsigned char *Text, std::size_t Units, std::size_t Room = ~std::size_t(0));

// Text of the system code page as UTF-16 units stored little-endian (MultiByteToWideChar
// with CP_ACP); a byte that does not decode becomes U+FFFD.
std::string SystemCodePageToUtf16Le(const std::string &Text);

// Whether Byte starts a character of two bytes in the system code page (IsDBCSLeadByte
// on Windows), so that the byte after it is no character of its own; never in UTF-8,
// whose every byte of a longer character is above 0x7F.
bool IsLeadByteOfSystemCodePage(unsigned char Byte);

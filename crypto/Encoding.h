#pragma once
// Text encodings of binary data that keys and signatures travel in: base64 (RFC 4648,
// with padding, no line breaks inside) and lower-case hexadecimal.
#include <string>

namespace crypto {

std::string Base64Encode(const std::string &Bytes);
// Strict: only the base64 alphabet, padding where it belongs and nowhere else; false for
// anything else (blanks and line ends included: the caller removes those it allows).
bool Base64Decode(const std::string &Text, std::string &Bytes);

std::string HexEncode(const std::string &Bytes);
// Lower- or upper-case digits, an even number of them; false otherwise.
bool HexDecode(const std::string &Text, std::string &Bytes);

}  // namespace crypto

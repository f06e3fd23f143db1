#pragma once
// Finds the version resource in a PE file (PE32 or PE32+) as it is stored on disk, the way
// the system's version functions find it: resource type RT_VERSION (16), name
// VS_VERSION_INFO (1). Every offset and length taken from the file is checked against the
// buffer, so a truncated or malformed file is reported as having no version resource.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pe {

struct ByteRange {
  std::size_t offset = 0;
  std::size_t length = 0;
};

// The languages (LANGIDs) that the system's resource loader tries, in its order, for the
// user's interface language and the system's language: the neutral language (0), the
// user's, the user's primary language with the neutral sublanguage, the same two of the
// system's, then US English (0x0409); each once.
std::vector<std::uint16_t> ResourceLanguageOrder(std::uint16_t UserLanguage, std::uint16_t SystemLanguage);

// The bytes of the version resource inside image[0, size). Stored under several languages,
// the first of Languages that the file holds is taken, and when it holds none of them, the
// first language in the directory (the lowest id). False when the file is no PE image, has
// no version resource, or any structure on the way lies outside the file.
bool FindPeVersionResource(const unsigned char *image, std::size_t size, const std::vector<std::uint16_t> &Languages,
                           ByteRange &resource);

}  // namespace pe

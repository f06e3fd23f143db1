#pragma once
// Finds the version resource in a PE file (PE32 or PE32+) as it is stored on disk, the way
// the system's version functions find it: resource type RT_VERSION (16), name
// VS_VERSION_INFO (1). Every offset and length taken from the file is checked against the
// buffer, so a truncated or malformed file is reported as having no version resource.

#include <cstddef>

namespace pe {

struct ByteRange {
  std::size_t offset = 0;
  std::size_t length = 0;
};

// The bytes of the version resource inside image[0, size). Of several languages the first
// in the directory is taken. False when the file is no PE image, has no version resource,
// or any structure on the way lies outside the file.
bool FindPeVersionResource(const unsigned char *image, std::size_t size, ByteRange &resource);

}  // namespace pe

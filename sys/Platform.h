#pragma once
// The one place that tells the platforms apart. Portable code uses the names below and
// never tests for a platform itself; code that calls one operating system lives in the
// *_win32.cpp / *_posix.cpp file beside the portable one and includes the system headers
// there, so that macros such as GetMessage or CopyFile never reach portable code.

#include <cstdint>

namespace sys {

#ifdef _WIN32
inline constexpr char kPathSep = '\\';
inline constexpr const char *kPathSepText = "\\";
using NativeHandle = void *;  // HANDLE
inline NativeHandle const kInvalidNativeHandle = reinterpret_cast<NativeHandle>(~std::uintptr_t(0));
using NativeSocket = std::uintptr_t;  // SOCKET
inline constexpr NativeSocket kInvalidNativeSocket = ~NativeSocket(0);
inline constexpr bool kIsWindows = true;
#else
inline constexpr char kPathSep = '/';
inline constexpr const char *kPathSepText = "/";
using NativeHandle = int;  // file descriptor
inline constexpr NativeHandle kInvalidNativeHandle = -1;
using NativeSocket = int;
inline constexpr NativeSocket kInvalidNativeSocket = -1;
inline constexpr bool kIsWindows = false;
#endif

}  // namespace sys

#pragma once
// Loading libraries by the file names the system uses on its original platform.
//
// "KRVM716S.dll" and "\Windows\KRVM716.DLL" (any folder, any case) name libKRVM716S.so and
// libKRVM716.so.1 (the motion library's SONAME); other names ending in .dll map to
// lib<name>.so. A library is looked up beside the module that asks for it first, then beside
// the platform library (the system's private folder of the tree it is installed in), then in
// the folder above that (the tree's public library folder).
//
// Concurrency: every call may run on any thread.

#include <string>
#include <string_view>
#include <vector>

#include "m716/platform/export.h"

namespace m716::platform {

struct LoadedModule;
using ModuleHandle = LoadedModule*;

// The Linux file name for a system file name ("KRVM716S.dll" -> "libKRVM716S.so").
M716_PLATFORM_API std::string linuxLibraryName(std::string_view systemName);
// Loads the library named `systemName`, looked up beside the module that contains the address
// `anchor` (pass the address of one of your own functions; nullptr means the main program).
// nullptr when it cannot be found or loaded.
M716_PLATFORM_API ModuleHandle loadLibrary(std::string_view systemName,
                                           const void* anchor = nullptr);
M716_PLATFORM_API void* findEntry(ModuleHandle module, const char* name);
M716_PLATFORM_API void freeLibrary(ModuleHandle module);
// The folder of the module containing `anchor` (the main program for nullptr).
M716_PLATFORM_API std::string moduleFolder(const void* anchor);
// Replaces the folders searched (tests use it to make a library unreachable); an empty list
// restores the default order.
M716_PLATFORM_API void setLibrarySearchPath(std::vector<std::string> folders);

}  // namespace m716::platform

// Where the framework looks up dialog templates, icons and bitmaps. By default the module that
// contains the framework; a provider (the station toolkit's resource switch) can redirect it.
#pragma once

#include <windows.h>

namespace kfw {

using ResourceModuleProvider = HMODULE (*)();
void SetResourceModuleProvider(ResourceModuleProvider provider);
// The module in which resources are looked up now.
HMODULE CurrentResourceModule();

// Loads an icon of the given size from the current resource module (DestroyIcon when done).
HICON LoadIconResource(UINT id, int size);

} // namespace kfw

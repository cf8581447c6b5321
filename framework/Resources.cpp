#include "Resources.h"

#include "Window.h"

namespace kfw {
namespace {
ResourceModuleProvider g_provider = nullptr;
}

void SetResourceModuleProvider(ResourceModuleProvider provider) {
    g_provider = provider;
}

HMODULE CurrentResourceModule() {
    if (g_provider) {
        if (HMODULE m = g_provider())
            return m;
    }
    return ThisModule();
}

HICON LoadIconResource(UINT id, int size) {
    return static_cast<HICON>(::LoadImageW(CurrentResourceModule(), MAKEINTRESOURCEW(id),
                                           IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

} // namespace kfw

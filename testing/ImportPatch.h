// Points a module's import of a system function at a replacement for the patch's lifetime, so
// that a test can count calls the code makes to the platform (Beep, MessageBeep) without
// changing what the code does otherwise.
#pragma once

#include <windows.h>

namespace kt {

class ImportPatch {
public:
    // The import slot of `function` from `dll` (e.g. "user32.dll") in `module`.
    ImportPatch(HMODULE module, const char* dll, const char* function, void* replacement);
    ~ImportPatch();
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;
    // False when the module does not import the function by name.
    bool Installed() const { return m_slot != nullptr; }
    // What the slot held before: the function the replacement may call on to.
    void* Original() const { return m_original; }

private:
    void Write(void* value);
    void** m_slot = nullptr;
    void* m_original = nullptr;
};

} // namespace kt

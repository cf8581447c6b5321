// Reads dialog templates as the dialog manager sees them: the classic DLGTEMPLATE form and the
// extended DLGTEMPLATEEX form, from a module's RT_DIALOG resources.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace b8test {

struct DialogItem {
    int id = 0; // -1 for an unnamed control
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect{};            // dialog units: left, top, right, bottom
    std::wstring className; // predefined atoms as their names: "Button", "Edit", "Static", ...
    std::wstring text;
};

struct DialogTemplate {
    bool extended = false;
    DWORD style = 0;
    DWORD exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::wstring menu, className, title;
    int pointSize = 0; // only with DS_SETFONT
    std::wstring faceName;
    std::vector<DialogItem> items;

    const DialogItem* Find(int id) const;
};

// Parses the template at data (size bytes); false when it is truncated or malformed.
bool ParseDialogTemplate(const void* data, size_t size, DialogTemplate* out);

struct ModuleDialog {
    LANGID language = 0;
    DialogTemplate dialog;
};
// Every integer-named RT_DIALOG resource of the module (one language each), by id. Resources
// that fail to parse are left out and listed in failed.
std::map<int, ModuleDialog> LoadModuleDialogs(HMODULE module, std::vector<int>* failed);

} // namespace b8test

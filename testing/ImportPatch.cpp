#include "ImportPatch.h"

#include <cstring>

namespace kt {
namespace {

void** ImportSlot(HMODULE module, const char* dll, const char* function) {
    auto* base = reinterpret_cast<BYTE*>(module);
    if (!base)
        return nullptr;
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.VirtualAddress)
        return nullptr;
    for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         imp->Name; ++imp) {
        if (_stricmp(reinterpret_cast<char*>(base + imp->Name), dll) != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA32*>(
            base + (imp->OriginalFirstThunk ? imp->OriginalFirstThunk : imp->FirstThunk));
        auto* slots = reinterpret_cast<void**>(base + imp->FirstThunk);
        for (size_t i = 0; names[i].u1.AddressOfData; ++i) {
            if (IMAGE_SNAP_BY_ORDINAL32(names[i].u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names[i].u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<char*>(byName->Name), function) == 0)
                return &slots[i];
        }
    }
    return nullptr;
}

} // namespace

ImportPatch::ImportPatch(HMODULE module, const char* dll, const char* function,
                         void* replacement)
    : m_slot(ImportSlot(module, dll, function)) {
    if (!m_slot)
        return;
    m_original = *m_slot;
    Write(replacement);
}

ImportPatch::~ImportPatch() {
    if (m_slot)
        Write(m_original);
}

void ImportPatch::Write(void* value) {
    DWORD old = 0;
    ::VirtualProtect(m_slot, sizeof *m_slot, PAGE_READWRITE, &old);
    *m_slot = value;
    ::VirtualProtect(m_slot, sizeof *m_slot, old, &old);
}

} // namespace kt

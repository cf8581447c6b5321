// The resource switch: a per-thread current resource module. Each switch remembers the choice
// it replaced and puts it back when destroyed, so nested switches form a stack.
#include "KrToolkit.h"
#include "KrTrace.h"

namespace {
thread_local HMODULE t_current = nullptr;
}

CKrRcSwitch::CKrRcSwitch(const char* /*unused*/, const char* moduleFileName)
    : m_hPrevious(t_current), m_hLoaded(nullptr) {
    if (!moduleFileName || !*moduleFileName) {
        krtrace::Trace("[KrToolkit] CKrRcSwitch: no module name, resources stay where they are\n");
        return;
    }
    HMODULE module = ::GetModuleHandleA(moduleFileName);
    if (!module) {
        // Not loaded in this process: its resources are still readable as a data file.
        module = ::LoadLibraryExA(moduleFileName, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        m_hLoaded = module;
    }
    if (!module) {
        krtrace::Trace("[KrToolkit] CKrRcSwitch: module %s not found (error %lu)\n", moduleFileName,
                       ::GetLastError());
        return;
    }
    t_current = module;
}

CKrRcSwitch::~CKrRcSwitch() {
    t_current = m_hPrevious;
    if (m_hLoaded)
        ::FreeLibrary(m_hLoaded);
}

extern "C" HMODULE KrGetResourceModule(void) {
    return t_current;
}

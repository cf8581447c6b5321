// In-process COM server of the control-information component: class factory, the component
// object, registration and the module's exports.
#include "ControlInfoFile.h"
#include "KrToolkit.h"
#include "KrControlInfo.h"
#include "Text.h"
#include "Trace.h"

#include <olectl.h>

#include <new>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kClsidKey[] = L"CLSID\\{DEB7A428-129C-4473-9B8E-C04F2879B890}";
constexpr wchar_t kClassDescription[] = L"KrControlInfo";
constexpr wchar_t kServerSubkey[] = L"InprocServer32";
constexpr wchar_t kThreadingModel[] = L"Apartment";
// A configuration larger than this is refused rather than read into memory.
constexpr DWORD kMaxFileSize = 1024 * 1024;
constexpr char kTraceTag[] = "[KrControlInfo]";

HMODULE g_module = nullptr;
LONG g_objects = 0; // live component and factory objects
LONG g_locks = 0;   // IClassFactory::LockServer count

std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameW(g_module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// The configuration: the environment's override, else the file next to this DLL.
std::wstring ConfigurationPath() {
    DWORD n = ::GetEnvironmentVariableW(kKrControlInfoPathVar, nullptr, 0);
    if (n > 1) {
        std::wstring path(n, L'\0');
        n = ::GetEnvironmentVariableW(kKrControlInfoPathVar, path.data(), n);
        path.resize(n);
        return path;
    }
    std::wstring path = ModulePath();
    size_t slash = path.find_last_of(L"\\/");
    path.resize(slash == std::wstring::npos ? 0 : slash + 1);
    return path + kKrControlInfoFileName;
}

// Reads the whole file; an HRESULT describing the failure otherwise.
HRESULT ReadWholeFile(const std::wstring& path, std::string& text) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return HRESULT_FROM_WIN32(::GetLastError());
    HRESULT hr = S_OK;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size)) {
        hr = HRESULT_FROM_WIN32(::GetLastError());
    } else if (size.QuadPart > kMaxFileSize) {
        hr = HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
    } else {
        text.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        if (!text.empty() &&
            !::ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr))
            hr = HRESULT_FROM_WIN32(::GetLastError());
        else
            text.resize(read);
    }
    ::CloseHandle(file);
    return hr;
}

// IUnknown of an object with one interface; live objects keep the module loaded.
template <typename Interface, const IID& Iid> class TUnknown : public Interface {
public:
    TUnknown() { ::InterlockedIncrement(&g_objects); }
    virtual ~TUnknown() { ::InterlockedDecrement(&g_objects); }
    TUnknown(const TUnknown&) = delete;
    TUnknown& operator=(const TUnknown&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, Iid)) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ::InterlockedIncrement(&m_refs); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG refs = ::InterlockedDecrement(&m_refs);
        if (refs == 0)
            delete this;
        return refs;
    }

private:
    LONG m_refs = 1;
};

class CKrControlInfo final : public TUnknown<IKrControlInfo, IID_IKrControlInfo> {
public:
    // IKrControlInfo
    HRESULT STDMETHODCALLTYPE Initialize() override {
        try {
            m_entries.clear();
            std::wstring path = ConfigurationPath();
            std::string text;
            HRESULT hr = ReadWholeFile(path, text);
            if (FAILED(hr)) {
                kfw::Trace("%s cannot read %s: 0x%08lx\n", kTraceTag, kfw::Narrow(path).c_str(),
                           static_cast<unsigned long>(hr));
                return hr;
            }
            std::vector<KrControlInfoEntry> entries;
            krci::ParseError error;
            std::vector<krci::ParseError> warnings;
            const std::string file = kfw::Narrow(path);
            auto report = [&](const krci::ParseError& e) {
                KrReportProblem((file + " line " + std::to_string(e.line) + ": " + e.message).c_str());
            };
            if (!krci::ParseControlInfo(text, entries, error, &warnings)) {
                report(error);
                return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
            }
            for (const krci::ParseError& w : warnings)
                report(w);
            m_entries.swap(entries);
            return S_OK;
        } catch (const std::bad_alloc&) {
            m_entries.clear();
            return E_OUTOFMEMORY;
        }
    }
    HRESULT STDMETHODCALLTYPE GetCount(LONG* count) override {
        if (!count)
            return E_POINTER;
        *count = static_cast<LONG>(m_entries.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAt(LONG index, KrControlInfoEntry* entry) override {
        if (!entry)
            return E_POINTER;
        if (index < 0 || static_cast<size_t>(index) >= m_entries.size())
            return E_INVALIDARG;
        *entry = m_entries[static_cast<size_t>(index)];
        return S_OK;
    }

private:
    std::vector<KrControlInfoEntry> m_entries;
};

class CClassFactory final : public TUnknown<IClassFactory, IID_IClassFactory> {
public:
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        CKrControlInfo* info = new (std::nothrow) CKrControlInfo;
        if (!info)
            return E_OUTOFMEMORY;
        HRESULT hr = info->QueryInterface(riid, object);
        info->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock)
            ::InterlockedIncrement(&g_locks);
        else
            ::InterlockedDecrement(&g_locks);
        return S_OK;
    }
};

LONG SetStringValue(HKEY key, const wchar_t* name, const std::wstring& value) {
    return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

} // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!IsEqualCLSID(clsid, CLSID_KrControlInfo))
        return CLASS_E_CLASSNOTAVAILABLE;
    CClassFactory* factory = new (std::nothrow) CClassFactory;
    if (!factory)
        return E_OUTOFMEMORY;
    HRESULT hr = factory->QueryInterface(riid, object);
    factory->Release();
    return hr;
}

STDAPI DllCanUnloadNow() {
    return (g_objects == 0 && g_locks == 0) ? S_OK : S_FALSE;
}

// Writes HKCR\CLSID\{...}\InprocServer32 = this DLL's path, ThreadingModel Apartment.
STDAPI DllRegisterServer() {
    try {
        std::wstring path = ModulePath();
        if (path.empty())
            return SELFREG_E_CLASS;
        std::wstring serverKey = std::wstring(kClsidKey) + L"\\" + kServerSubkey;
        HKEY clsid = nullptr;
        HKEY server = nullptr;
        LONG rc = ::RegCreateKeyExW(HKEY_CLASSES_ROOT, kClsidKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                                    &clsid, nullptr);
        if (rc == ERROR_SUCCESS) {
            rc = SetStringValue(clsid, nullptr, kClassDescription);
            ::RegCloseKey(clsid);
        }
        if (rc == ERROR_SUCCESS)
            rc = ::RegCreateKeyExW(HKEY_CLASSES_ROOT, serverKey.c_str(), 0, nullptr, 0, KEY_WRITE,
                                   nullptr, &server, nullptr);
        if (rc == ERROR_SUCCESS) {
            rc = SetStringValue(server, nullptr, path);
            if (rc == ERROR_SUCCESS)
                rc = SetStringValue(server, L"ThreadingModel", kThreadingModel);
            ::RegCloseKey(server);
        }
        return rc == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

// Removes HKCR\CLSID\{...} with everything below it; succeeds when it was not there.
STDAPI DllUnregisterServer() {
    LONG rc = ::RegDeleteTreeW(HKEY_CLASSES_ROOT, kClsidKey);
    return (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) ? S_OK : SELFREG_E_CLASS;
}

} // extern "C"

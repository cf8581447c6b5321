// The component as a faceplate meets it: created through the registry, reading its file,
// failing cleanly; and the server's own exports (factory, unload, self-registration).
#include "ControlInfoFile.h"
#include "DebugCapture.h"
#include "KrControlInfo.h"
#include "KrToolkit.h"
#include "ProblemSink.h"

#include <gtest/gtest.h>
#include <olectl.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kDllName[] = L"KrControlInfo.dll";
constexpr wchar_t kServerKey[] = L"CLSID\\{DEB7A428-129C-4473-9B8E-C04F2879B890}\\InprocServer32";

std::wstring ExeFolder() {
    wchar_t path[MAX_PATH];
    DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s(path, n);
    return s.substr(0, s.find_last_of(L'\\') + 1);
}

std::wstring ModulePath(HMODULE module) {
    wchar_t path[MAX_PATH];
    DWORD n = ::GetModuleFileNameW(module, path, MAX_PATH);
    return std::wstring(path, n);
}

std::wstring RegString(HKEY root, const wchar_t* key, const wchar_t* value) {
    wchar_t buffer[MAX_PATH] = {};
    DWORD size = sizeof(buffer);
    if (::RegGetValueW(root, key, value, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return buffer;
}

class ControlInfoCom : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        m_file =
            std::wstring(temp) + L"krci_test_" + std::to_wstring(::GetCurrentProcessId()) + L".ini";
    }
    void TearDown() override {
        if (m_info)
            m_info->Release();
        ::SetEnvironmentVariableW(kKrControlInfoPathVar, nullptr);
        ::DeleteFileW(m_file.c_str());
        ::CoUninitialize();
    }
    void UseFile(const std::string& text) {
        std::ofstream(std::filesystem::path(m_file), std::ios::binary) << text;
        ::SetEnvironmentVariableW(kKrControlInfoPathVar, m_file.c_str());
    }
    void Create() {
        HRESULT hr = ::CoCreateInstance(CLSID_KrControlInfo, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IKrControlInfo, reinterpret_cast<void**>(&m_info));
        ASSERT_EQ(hr, S_OK);
        ASSERT_NE(m_info, nullptr);
    }
    LONG Count() {
        LONG n = -1;
        EXPECT_EQ(m_info->GetCount(&n), S_OK);
        return n;
    }

    std::wstring m_file;
    IKrControlInfo* m_info = nullptr;
};

TEST_F(ControlInfoCom, CreatedThroughTheRegistryFromTheBuildFolder) {
    Create();
    HMODULE dll = ::GetModuleHandleW(kDllName);
    ASSERT_NE(dll, nullptr);
    std::wstring expected = ExeFolder() + kDllName;
    EXPECT_EQ(::lstrcmpiW(ModulePath(dll).c_str(), expected.c_str()), 0);
    EXPECT_EQ(
        ::lstrcmpiW(RegString(HKEY_CLASSES_ROOT, kServerKey, nullptr).c_str(), expected.c_str()),
        0);
    EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, kServerKey, L"ThreadingModel"), L"Apartment");
    // Before Initialize the list is empty.
    EXPECT_EQ(Count(), 0);
}

TEST_F(ControlInfoCom, ReadsTheEntriesInFileOrder) {
    UseFile("entry = 9 0=1\r\nentry = 4 1=1:AREA_B\r\nentry = 9 0=0\r\n");
    Create();
    ASSERT_EQ(m_info->Initialize(), S_OK);
    ASSERT_EQ(Count(), 3);
    KrControlInfoEntry e{};
    ASSERT_EQ(m_info->GetAt(0, &e), S_OK);
    EXPECT_EQ(e.nID, 9);
    EXPECT_EQ(e.byPermission[0], 1);
    ASSERT_EQ(m_info->GetAt(1, &e), S_OK);
    EXPECT_EQ(e.nID, 4);
    EXPECT_EQ(e.byPermission[1], 1);
    EXPECT_STREQ(e.szArea[1], "AREA_B");
    EXPECT_EQ(e.byPermission[0], 0);
    ASSERT_EQ(m_info->GetAt(2, &e), S_OK);
    EXPECT_EQ(e.nID, 9);
    EXPECT_EQ(e.byPermission[0], 0);

    EXPECT_EQ(m_info->GetAt(3, &e), E_INVALIDARG);
    EXPECT_EQ(m_info->GetAt(-1, &e), E_INVALIDARG);
    EXPECT_EQ(m_info->GetAt(0, nullptr), E_POINTER);
    EXPECT_EQ(m_info->GetCount(nullptr), E_POINTER);
}

TEST_F(ControlInfoCom, WithoutOverrideReadsTheFileNextToTheDll) {
    std::ifstream in(std::filesystem::path(ExeFolder() + kKrControlInfoFileName), std::ios::binary);
    ASSERT_TRUE(in) << "KrControlInfo.ini was not copied to the build folder";
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<KrControlInfoEntry> shipped;
    krci::ParseError error;
    ASSERT_TRUE(krci::ParseControlInfo(text, shipped, error)) << error.message;
    ASSERT_FALSE(shipped.empty());

    Create();
    ASSERT_EQ(m_info->Initialize(), S_OK);
    ASSERT_EQ(Count(), static_cast<LONG>(shipped.size()));
    for (LONG i = 0; i < Count(); ++i) {
        KrControlInfoEntry e{};
        ASSERT_EQ(m_info->GetAt(i, &e), S_OK);
        EXPECT_EQ(e.nID, shipped[i].nID);
        EXPECT_EQ(memcmp(&e, &shipped[i], sizeof(e)), 0) << i;
    }
}

TEST_F(ControlInfoCom, MissingFileFailsAndDropsTheEarlierList) {
    UseFile("entry = 1 0=1\n");
    Create();
    ASSERT_EQ(m_info->Initialize(), S_OK);
    ASSERT_EQ(Count(), 1);
    ::DeleteFileW(m_file.c_str());
    EXPECT_EQ(m_info->Initialize(), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Count(), 0);
    KrControlInfoEntry e{};
    EXPECT_EQ(m_info->GetAt(0, &e), E_INVALIDARG);
}

TEST_F(ControlInfoCom, MalformedFileFailsAndTracesTheLine) {
    kt::DebugCapture capture;
    ASSERT_TRUE(capture.Listening());
    UseFile("entry = 1 0=1\n; fine so far\nentry = 2 40=1\n");
    Create();
    EXPECT_EQ(m_info->Initialize(), HRESULT_FROM_WIN32(ERROR_INVALID_DATA));
    EXPECT_EQ(Count(), 0);
    EXPECT_TRUE(capture.WaitFor("line 3: column '40'"));
}

// What the component finds wrong in its file reaches the program's problem sink with the file
// and the line, not only the debug trace.
using kt::ProblemSink;

TEST_F(ControlInfoCom, FileFaultsAndRepeatedStationsReachTheProblemSink) {
    ProblemSink sink;
    UseFile("entry = 11 0=1\nentry = 12\nentry = 11 0=0\n");
    Create();
    EXPECT_EQ(m_info->Initialize(), S_OK);
    EXPECT_EQ(Count(), 3);
    ASSERT_EQ(ProblemSink::problems.size(), 1u);
    const std::string file = std::filesystem::path(m_file).string();
    EXPECT_EQ(ProblemSink::problems[0],
              file + " line 3: nID 11 repeats line 1; the entry of line 1 is used");
    UseFile("entry = 11 0=1\nentry = 13 1=1:AREA_NAME_OF_THIRTY_TWO_BYTES_XY\n");
    EXPECT_EQ(m_info->Initialize(), HRESULT_FROM_WIN32(ERROR_INVALID_DATA));
    ASSERT_EQ(ProblemSink::problems.size(), 2u);
    EXPECT_EQ(ProblemSink::problems[1].rfind(file + " line 2: area name of column 1", 0), 0u)
        << ProblemSink::problems[1];
}

TEST_F(ControlInfoCom, UnregisteredClassIsReportedAsSuch) {
    CLSID other{};
    ASSERT_EQ(::CoCreateGuid(&other), S_OK);
    IUnknown* unknown = nullptr;
    EXPECT_EQ(::CoCreateInstance(other, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                 reinterpret_cast<void**>(&unknown)),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(unknown, nullptr);
}

class ControlInfoServer : public ::testing::Test {
protected:
    void SetUp() override {
        m_dll = ::LoadLibraryW(kDllName);
        ASSERT_NE(m_dll, nullptr);
        m_getClassObject = reinterpret_cast<decltype(m_getClassObject)>(
            ::GetProcAddress(m_dll, "DllGetClassObject"));
        m_canUnload =
            reinterpret_cast<decltype(m_canUnload)>(::GetProcAddress(m_dll, "DllCanUnloadNow"));
        m_register =
            reinterpret_cast<decltype(m_register)>(::GetProcAddress(m_dll, "DllRegisterServer"));
        m_unregister = reinterpret_cast<decltype(m_unregister)>(
            ::GetProcAddress(m_dll, "DllUnregisterServer"));
        ASSERT_TRUE(m_getClassObject && m_canUnload && m_register && m_unregister);
    }
    void TearDown() override {
        if (m_dll)
            ::FreeLibrary(m_dll);
    }
    HMODULE m_dll = nullptr;
    HRESULT(STDAPICALLTYPE* m_getClassObject)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(STDAPICALLTYPE* m_canUnload)() = nullptr;
    HRESULT(STDAPICALLTYPE* m_register)() = nullptr;
    HRESULT(STDAPICALLTYPE* m_unregister)() = nullptr;
};

TEST_F(ControlInfoServer, FactoryServesOnlyItsClassAndTracksLiveObjects) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(m_getClassObject(IID_IUnknown, IID_IClassFactory, &object),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    ASSERT_EQ(m_canUnload(), S_OK);

    IClassFactory* factory = nullptr;
    ASSERT_EQ(m_getClassObject(CLSID_KrControlInfo, IID_IClassFactory,
                               reinterpret_cast<void**>(&factory)),
              S_OK);
    EXPECT_EQ(m_canUnload(), S_FALSE);

    IUnknown* outer = reinterpret_cast<IUnknown*>(factory);
    EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);

    IKrControlInfo* info = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IKrControlInfo, reinterpret_cast<void**>(&info)),
              S_OK);
    IUnknown* unknown = nullptr;
    ASSERT_EQ(info->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(unknown, static_cast<IUnknown*>(info));
    unknown->Release();

    factory->Release();
    EXPECT_EQ(m_canUnload(), S_FALSE) << "the component still lives";
    info->Release();
    EXPECT_EQ(m_canUnload(), S_OK);

    ASSERT_EQ(m_getClassObject(CLSID_KrControlInfo, IID_IClassFactory,
                               reinterpret_cast<void**>(&factory)),
              S_OK);
    factory->LockServer(TRUE);
    factory->Release();
    EXPECT_EQ(m_canUnload(), S_FALSE) << "locked";
    ASSERT_EQ(m_getClassObject(CLSID_KrControlInfo, IID_IClassFactory,
                               reinterpret_cast<void**>(&factory)),
              S_OK);
    factory->LockServer(FALSE);
    factory->Release();
    EXPECT_EQ(m_canUnload(), S_OK);
}

// Self-registration writes into HKEY_CLASSES_ROOT; here that key is redirected, for this
// process only, to a scratch key so that the station's own registration stays untouched.
TEST_F(ControlInfoServer, SelfRegistrationWritesAndRemovesTheServerKey) {
    std::wstring scratch =
        L"Software\\KrControlInfoTest" + std::to_wstring(::GetCurrentProcessId());
    HKEY root = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, scratch.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, &root, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegOverridePredefKey(HKEY_CLASSES_ROOT, root), ERROR_SUCCESS);

    HRESULT registered = m_register();
    std::wstring server = RegString(root, kServerKey, nullptr);
    std::wstring model = RegString(root, kServerKey, L"ThreadingModel");
    std::wstring name = RegString(root, L"CLSID\\{DEB7A428-129C-4473-9B8E-C04F2879B890}", nullptr);
    HRESULT unregistered = m_unregister();
    HKEY gone = nullptr;
    LONG openAfter =
        ::RegOpenKeyExW(root, L"CLSID\\{DEB7A428-129C-4473-9B8E-C04F2879B890}", 0, KEY_READ, &gone);
    if (gone)
        ::RegCloseKey(gone);
    HRESULT unregisteredAgain = m_unregister();

    ::RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    ::RegCloseKey(root);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, scratch.c_str());

    EXPECT_EQ(registered, S_OK);
    EXPECT_EQ(::lstrcmpiW(server.c_str(), ModulePath(m_dll).c_str()), 0) << server;
    EXPECT_EQ(model, L"Apartment");
    EXPECT_EQ(name, L"KrControlInfo");
    EXPECT_EQ(unregistered, S_OK);
    EXPECT_EQ(openAfter, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(unregisteredAgain, S_OK);
    // The station's registration is still in place.
    EXPECT_EQ(::lstrcmpiW(RegString(HKEY_CLASSES_ROOT, kServerKey, nullptr).c_str(),
                          ModulePath(m_dll).c_str()),
              0);
}

} // namespace

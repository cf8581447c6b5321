#include "SharedMemory.h"

#include "Trace.h"

#include <cstdio>
#include <cstring>

namespace {
constexpr DWORD kSdRevision = SECURITY_DESCRIPTOR_REVISION; // 1
constexpr DWORD kAclRevision = ACL_REVISION;                // 2
constexpr DWORD kAclHeaderReserve = 16; // ACL header and ACE header beside the SID
} // namespace

PACL BuildRestrictedSD(PSECURITY_DESCRIPTOR sd) {
    using CSid = kfw::THandle<kfw::TNullTraits<PSID, ::FreeSid>>;
    CSid world;
    THeapBlock<ACL> acl;
    SID_IDENTIFIER_AUTHORITY worldAuthority = SECURITY_WORLD_SID_AUTHORITY;
    bool ok = false;
    do {
        if (!::InitializeSecurityDescriptor(sd, kSdRevision)) {
            printf("InitializeSecurityDescriptor() failed with error %d\n",
                   static_cast<int>(::GetLastError()));
            break;
        }
        PSID sid = nullptr;
        if (!::AllocateAndInitializeSid(&worldAuthority, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                        &sid)) {
            printf("AllocateAndInitializeSid() failed with error %d\n",
                   static_cast<int>(::GetLastError()));
            break;
        }
        world.reset(sid);
        DWORD aclSize = ::GetLengthSid(world) + kAclHeaderReserve;
        acl.reset(static_cast<PACL>(::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, aclSize)));
        if (!acl) {
            printf("HeapAlloc() failed with error %d\n", static_cast<int>(::GetLastError()));
            break;
        }
        if (!::InitializeAcl(acl, aclSize, kAclRevision)) {
            printf("InitializeAcl() failed with error %d\n", static_cast<int>(::GetLastError()));
            break;
        }
        if (!::AddAccessAllowedAce(acl, kAclRevision, GENERIC_ALL, world)) {
            printf("AddAccessAllowedAce() failed with error %d\n",
                   static_cast<int>(::GetLastError()));
            break;
        }
        if (!::SetSecurityDescriptorDacl(sd, TRUE, acl, FALSE)) {
            printf("SetSecurityDescriptorDacl() failed with error %d\n",
                   static_cast<int>(::GetLastError()));
            break;
        }
        ok = true;
    } while (false);
    fflush(stdout);
    // On success the caller owns the list; on failure it is freed here.
    return ok ? acl.release() : nullptr;
}

CRestrictedSecurityAttributes::CRestrictedSecurityAttributes() {
    m_sa.nLength = sizeof m_sa;
    m_sa.lpSecurityDescriptor = &m_sd;
    m_sa.bInheritHandle = FALSE;
    m_pAcl.reset(BuildRestrictedSD(&m_sd));
    if (!m_pAcl)
        kfw::TraceText("BuildRestrictedSD() failed\n");
}

CRestrictedSecurityAttributes::~CRestrictedSecurityAttributes() = default;

CSharedMemory::CSharedMemory() {
    SetName(kDefaultName);
}

CSharedMemory::CSharedMemory(const char* name) {
    SetName(name);
}

CSharedMemory::CSharedMemory(const char* name, DWORD size) {
    if (SetName(name))
        Create(size);
}

CSharedMemory::~CSharedMemory() {
    Release();
}

bool CSharedMemory::SetName(const char* name) {
    size_t length = name ? strnlen(name, kMaxNameLength + 1) : 0;
    if (length == 0 || length > kMaxNameLength) {
        // Refused: no name at all rather than a cut one, so no later create uses it.
        m_szName[0] = '\0';
        m_szMutexName[0] = '\0';
        kfw::Trace("CSharedMemory: name refused (length %u, at most %u)\n",
                   static_cast<unsigned>(length), static_cast<unsigned>(kMaxNameLength));
        return false;
    }
    memcpy(m_szName, name, length);
    m_szName[length] = '\0';
    memcpy(m_szMutexName, name, length);
    memcpy(m_szMutexName + length, kMutexSuffix, sizeof kMutexSuffix);
    return true;
}

void CSharedMemory::Release() {
    m_view.reset();
    m_hMapping.reset();
    m_hMutex.reset();
    m_bValid = false;
    m_bExisted = false;
}

bool CSharedMemory::Create(const char* name, DWORD size) {
    if (!SetName(name)) {
        Release();
        return false;
    }
    return Create(size);
}

bool CSharedMemory::Create(DWORD size) {
    m_bExisted = false;
    m_view.reset();
    m_bValid = false;
    m_hMapping.reset();
    if (!m_szName[0]) {
        // A refused name: never fall back to an anonymous mapping.
        m_hMutex.reset();
        return false;
    }

    CRestrictedSecurityAttributes security;
    m_hMutex.reset();
    m_hMutex.reset(::CreateMutexA(security.Get(), FALSE, m_szMutexName));

    m_dwSize = size;
    m_hMapping.reset(::CreateFileMappingA(INVALID_HANDLE_VALUE, security.Get(), PAGE_READWRITE, 0,
                                          size, m_szName));
    if (!m_hMapping)
        return false;
    if (::GetLastError() == ERROR_ALREADY_EXISTS)
        m_bExisted = true;

    m_view.reset(::MapViewOfFile(m_hMapping, FILE_MAP_ALL_ACCESS, 0, 0, size));
    if (!m_view) {
        m_hMapping.reset();
        return false;
    }
    m_bValid = true;
    return true;
}

DWORD CSharedMemory::Lock(DWORD timeoutMs) {
    if (!m_hMutex)
        return WAIT_FAILED;
    return ::WaitForSingleObject(m_hMutex, timeoutMs);
}

bool CSharedMemory::Unlock() {
    return m_hMutex && ::ReleaseMutex(m_hMutex);
}

// A named, system-wide shared memory segment with a companion named mutex, both created with
// security that grants every user full access (services and other accounts can open them).
// The first creator makes the segment; later creators attach and learn that it existed.
#pragma once

#include "Handle.h"

#include <windows.h>

// A block from the process heap, freed with HeapFree.
template <typename T> struct ProcessHeapTraits {
    using Type = T*;
    static T* Invalid() { return nullptr; }
    static void Close(T* p) { ::HeapFree(::GetProcessHeap(), 0, p); }
};
template <typename T> using THeapBlock = kfw::THandle<ProcessHeapTraits<T>>;

// Fills `sd` with a discretionary list that grants GENERIC_ALL to Everyone (S-1-1-0).
// Returns the list (allocated from the process heap, freed by the caller with HeapFree) or
// null on failure; each failing step writes one line with the error number to standard output.
PACL BuildRestrictedSD(PSECURITY_DESCRIPTOR sd);

// Security attributes built on the stack for one create call.
class CRestrictedSecurityAttributes {
public:
    CRestrictedSecurityAttributes();
    ~CRestrictedSecurityAttributes();
    CRestrictedSecurityAttributes(const CRestrictedSecurityAttributes&) = delete;
    CRestrictedSecurityAttributes& operator=(const CRestrictedSecurityAttributes&) = delete;

    // The attributes when the list was built, else null (the object gets default security).
    SECURITY_ATTRIBUTES* Get() { return m_pAcl ? &m_sa : nullptr; }

private:
    THeapBlock<ACL> m_pAcl;
    SECURITY_ATTRIBUTES m_sa{};
    SECURITY_DESCRIPTOR m_sd{};
};

class CSharedMemory {
public:
    // Names are held in arrays of this size, terminator included; the mutex name adds
    // kMutexSuffix, so a segment name has at most kMaxNameLength characters.
    static constexpr size_t kNameCapacity = 255;
    static constexpr char kMutexSuffix[] = "Mutex";
    static constexpr size_t kMaxNameLength = kNameCapacity - 1 - (sizeof kMutexSuffix - 1);
    static constexpr char kDefaultName[] = "SharedMemory";

    CSharedMemory();
    explicit CSharedMemory(const char* name);
    CSharedMemory(const char* name, DWORD size);
    ~CSharedMemory();
    CSharedMemory(const CSharedMemory&) = delete;
    CSharedMemory& operator=(const CSharedMemory&) = delete;

    // Operations
    // Sets the name (and the mutex name) and creates; true when a view is mapped. A name that
    // is null, empty or longer than kMaxNameLength is refused: the instance is released, its
    // name left empty, and the result is false.
    bool Create(const char* name, DWORD size);
    bool Create(DWORD size, const char* name) { return Create(name, size); }
    // Creates with the current name.
    bool Create(DWORD size);
    // Waits until the companion mutex is owned or the time is up. Returns the wait result:
    // WAIT_OBJECT_0 or WAIT_ABANDONED (owned), WAIT_TIMEOUT, or WAIT_FAILED (no mutex).
    DWORD Lock(DWORD timeoutMs);
    // Releases the companion mutex; false when not owned by this thread.
    bool Unlock();

    // Attributes
    void* GetData() const { return m_bValid ? m_view.get() : nullptr; }
    bool AlreadyExisted() const { return m_bExisted; }
    bool IsValid() const { return m_bValid; }
    DWORD GetSize() const { return m_dwSize; }
    const char* GetName() const { return m_szName; }
    const char* GetMutexName() const { return m_szMutexName; }

private:
    bool SetName(const char* name);
    void Release();

    kfw::CHandle m_hMapping;
    DWORD m_dwSize = 0;
    bool m_bValid = false;
    bool m_bExisted = false;
    char m_szName[kNameCapacity] = {};
    char m_szMutexName[kNameCapacity] = {};
    kfw::CHandle m_hMutex;
    kfw::CMappedView m_view; // declared last: unmapped before the mapping is closed
};

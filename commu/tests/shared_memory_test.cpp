#include "ChildProcess.h"
#include "SharedMemory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

namespace {

std::string UniqueName(const char* what) {
    return std::string("KrShmTest_") + what + "_" + std::to_string(::GetCurrentProcessId());
}

bool MutexExists(const char* name) {
    HANDLE h = ::OpenMutexA(SYNCHRONIZE, FALSE, name);
    if (h)
        ::CloseHandle(h);
    return h != nullptr;
}

TEST(SharedMemory, SecondProcessSeesSameBytesAndReportsExisted) {
    std::string name = UniqueName("peer");
    CSharedMemory memory(name.c_str(), 4096);
    ASSERT_NE(memory.GetData(), nullptr);
    EXPECT_FALSE(memory.AlreadyExisted());
    auto* data = static_cast<char*>(memory.GetData());
    memcpy(data, "PING", 4);
    ASSERT_EQ(memory.Lock(1000), static_cast<DWORD>(WAIT_OBJECT_0));

    kt::ChildProcess peer;
    ASSERT_TRUE(peer.Start(kt::BinPath(L"shm_peer.exe"),
                           std::wstring(name.begin(), name.end()) + L" 4096"));
    DWORD code = 99;
    ASSERT_TRUE(peer.WaitForExit(20000, &code));
    EXPECT_EQ(code, 0u) << "1 usage, 2 not valid, 3 not existed, 4 no PING, 5 mutex not held";
    EXPECT_EQ(std::string(data + 4, 4), "PONG");
    EXPECT_TRUE(memory.Unlock());
}

TEST(SharedMemory, DefaultNameAndMutexName) {
    CSharedMemory memory;
    EXPECT_STREQ(memory.GetName(), "SharedMemory");
    EXPECT_STREQ(memory.GetMutexName(), "SharedMemoryMutex");
    EXPECT_EQ(memory.GetData(), nullptr);
    EXPECT_FALSE(memory.AlreadyExisted());
    ASSERT_TRUE(memory.Create(256));
    EXPECT_NE(memory.GetData(), nullptr);
    EXPECT_TRUE(MutexExists("SharedMemoryMutex"));
    EXPECT_EQ(memory.GetSize(), 256u);
}

TEST(SharedMemory, FaceplateMemoryCreatesItsMutex) {
    CSharedMemory memory("Faceplate_Memory", 4096);
    ASSERT_NE(memory.GetData(), nullptr);
    EXPECT_STREQ(memory.GetMutexName(), "Faceplate_MemoryMutex");
    EXPECT_TRUE(MutexExists("Faceplate_MemoryMutex"));
    // Both creation forms take the same arguments.
    CSharedMemory other;
    ASSERT_TRUE(other.Create(4096u, "Faceplate_Memory"));
    EXPECT_TRUE(other.AlreadyExisted());
    static_cast<char*>(memory.GetData())[4095] = 0x5A;
    EXPECT_EQ(static_cast<char*>(other.GetData())[4095], 0x5A);
}

TEST(SharedMemory, NameLengthLimit) {
    std::string longest(CSharedMemory::kMaxNameLength, 'n');
    longest.replace(0, 10, "KrShmLong_");
    CSharedMemory fits(longest.c_str(), 64);
    ASSERT_NE(fits.GetData(), nullptr);
    EXPECT_EQ(strlen(fits.GetMutexName()), CSharedMemory::kNameCapacity - 1);
    EXPECT_EQ(std::string(fits.GetMutexName()), longest + "Mutex");

    std::string tooLong = longest + "x";
    CSharedMemory refused(tooLong.c_str(), 64);
    EXPECT_EQ(refused.GetData(), nullptr);
    EXPECT_STREQ(refused.GetName(), "");
    EXPECT_FALSE(refused.Create(64)) << "a refused name must not fall back to another one";
    EXPECT_EQ(refused.Lock(0), static_cast<DWORD>(WAIT_FAILED));

    // A refused name on a valid instance releases it.
    std::string name = UniqueName("release");
    CSharedMemory moved(name.c_str(), 64);
    ASSERT_NE(moved.GetData(), nullptr);
    EXPECT_FALSE(moved.Create(tooLong.c_str(), 64));
    EXPECT_EQ(moved.GetData(), nullptr);
    EXPECT_FALSE(moved.Create(nullptr, 64));
    EXPECT_FALSE(moved.Create("", 64));
}

TEST(SharedMemory, CreateAgainMovesToAnotherName) {
    std::string first = UniqueName("first");
    std::string second = UniqueName("second");
    CSharedMemory memory(first.c_str(), 128);
    ASSERT_NE(memory.GetData(), nullptr);
    ASSERT_TRUE(memory.Create(second.c_str(), 256));
    EXPECT_STREQ(memory.GetName(), second.c_str());
    // The first segment had no other holder: it is gone.
    EXPECT_EQ(::OpenFileMappingA(FILE_MAP_READ, FALSE, first.c_str()), nullptr);
    EXPECT_FALSE(MutexExists((first + "Mutex").c_str()));
    EXPECT_TRUE(MutexExists((second + "Mutex").c_str()));
}

TEST(SharedMemory, FailedCreateLeavesNoData) {
    std::string name = UniqueName("zero");
    CSharedMemory memory;
    EXPECT_FALSE(memory.Create(name.c_str(), 0)); // a new paging-file mapping needs a size
    EXPECT_EQ(memory.GetData(), nullptr);
    EXPECT_FALSE(memory.IsValid());
    EXPECT_FALSE(memory.AlreadyExisted());
    // The mutex was made before the mapping failed and is still usable.
    EXPECT_EQ(memory.Lock(0), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_TRUE(memory.Unlock());
}

TEST(SharedMemory, LockReportsTimeout) {
    std::string name = UniqueName("lock");
    CSharedMemory memory(name.c_str(), 64);
    ASSERT_EQ(memory.Lock(0), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD other = 0;
    std::thread([&] {
        CSharedMemory second(name.c_str(), 64);
        other = second.Lock(50);
    }).join();
    EXPECT_EQ(other, static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(memory.Unlock());
    EXPECT_FALSE(memory.Unlock()) << "not owned any more";
    std::thread([&] {
        CSharedMemory second(name.c_str(), 64);
        other = second.Lock(50);
        second.Unlock();
    }).join();
    EXPECT_EQ(other, static_cast<DWORD>(WAIT_OBJECT_0));
}

TEST(RestrictedSecurity, GrantsEveryoneFullAccess) {
    SECURITY_DESCRIPTOR sd{};
    PACL acl = BuildRestrictedSD(&sd);
    ASSERT_NE(acl, nullptr);
    BOOL present = FALSE, defaulted = TRUE;
    PACL dacl = nullptr;
    ASSERT_TRUE(::GetSecurityDescriptorDacl(&sd, &present, &dacl, &defaulted));
    EXPECT_TRUE(present);
    EXPECT_FALSE(defaulted);
    EXPECT_EQ(dacl, acl);
    ASSERT_EQ(acl->AceCount, 1);
    ACCESS_ALLOWED_ACE* ace = nullptr;
    ASSERT_TRUE(::GetAce(acl, 0, reinterpret_cast<void**>(&ace)));
    EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
    EXPECT_EQ(ace->Mask, static_cast<DWORD>(GENERIC_ALL));
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    ASSERT_TRUE(
        ::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
    EXPECT_TRUE(::EqualSid(everyone, &ace->SidStart));
    ::FreeSid(everyone);
    ::HeapFree(::GetProcessHeap(), 0, acl);

    CRestrictedSecurityAttributes attributes;
    SECURITY_ATTRIBUTES* sa = attributes.Get();
    ASSERT_NE(sa, nullptr);
    EXPECT_EQ(sa->nLength, 12u);
    EXPECT_FALSE(sa->bInheritHandle);
    ASSERT_NE(sa->lpSecurityDescriptor, nullptr);
    ASSERT_TRUE(::GetSecurityDescriptorDacl(sa->lpSecurityDescriptor, &present, &dacl, &defaulted));
    EXPECT_TRUE(present);
    EXPECT_EQ(dacl->AceCount, 1);
}

} // namespace

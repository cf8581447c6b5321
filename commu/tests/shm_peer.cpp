// Second process of the shared-memory tests: attaches to a segment made by the test and
// reports through its exit code what it saw.
//   shm_peer <name> <size>: expects the segment to exist, "PING" at offset 0 and the mutex
//   held by the test; writes "PONG" at offset 4.
#include "SharedMemory.h"

#include <cstdlib>
#include <cstring>

enum PeerResult {
    kOk = 0,
    kUsage = 1,
    kNotValid = 2,
    kNotExisted = 3,
    kNoPing = 4,
    kNotLocked = 5
};

int main(int argc, char** argv) {
    if (argc < 3)
        return kUsage;
    CSharedMemory memory(argv[1], static_cast<DWORD>(strtoul(argv[2], nullptr, 10)));
    auto* data = static_cast<char*>(memory.GetData());
    if (!data)
        return kNotValid;
    if (!memory.AlreadyExisted())
        return kNotExisted;
    if (memcmp(data, "PING", 4) != 0)
        return kNoPing;
    if (memory.Lock(0) != WAIT_TIMEOUT)
        return kNotLocked;
    memcpy(data + 4, "PONG", 4);
    return kOk;
}

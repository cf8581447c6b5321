// intercom_send: sends one tag request as the faceplate's buttons do and prints the result.
//   intercom_send current|adjust|flow|alarm TAG [TASK-CENTRE-NUMBER]
#include "MsgManager.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;

struct Request {
    const char* name;
    ULONG_PTR code;
};
constexpr Request kRequests[] = {
    {"current", icproto::kRequestCurrent},
    {"adjust", icproto::kRequestAdjust},
    {"flow", icproto::kRequestFlow},
    {"alarm", icproto::kRequestAlarm},
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        fprintf(stderr, "usage: intercom_send current|adjust|flow|alarm TAG [TASK-CENTRE]\n");
        return kExitUsage;
    }
    const Request* request = nullptr;
    for (const Request& r : kRequests)
        if (strcmp(argv[1], r.name) == 0)
            request = &r;
    char* end = nullptr;
    const long taskCenter = argc == 4 ? strtol(argv[3], &end, 10) : 0;
    if (!request || (argc == 4 && (*end || end == argv[3]))) {
        fprintf(stderr, "intercom_send: unknown request or task-centre number\n");
        return kExitUsage;
    }
    CMsgManager manager;
    const int result = manager.Send(argv[2], request->code, static_cast<int>(taskCenter));
    printf("%s %s: %d\n", request->name, argv[2], result);
    return kExitOk;
}

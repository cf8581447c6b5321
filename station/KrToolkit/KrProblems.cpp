// Problems found in the station's files: traced once each, and handed to the program's sink.
#include "KrToolkit.h"

#include "KrTrace.h"

#include <mutex>
#include <set>
#include <string>

namespace {
std::mutex g_lock;
PFN_KrProblemSink g_sink = nullptr;
std::set<std::string> g_reported; // every reader module has its own copy of the readers
} // namespace

extern "C" void KrSetProblemSink(PFN_KrProblemSink sink) {
    std::lock_guard<std::mutex> guard(g_lock);
    g_sink = sink;
}

extern "C" void KrReportProblem(const char* problem) {
    if (!problem || !*problem)
        return;
    PFN_KrProblemSink sink = nullptr;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        if (!g_reported.insert(problem).second)
            return;
        sink = g_sink;
    }
    krtrace::Trace("[KrToolkit] %s\n", problem);
    if (sink)
        sink(problem);
}

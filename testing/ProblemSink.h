// The problems the station libraries report (KrSetProblemSink), as a program that registered its
// sink sees them, for the tests' lifetime of one object. For test programs that link KrToolkit.
#pragma once

#include "KrToolkit.h"

#include <string>
#include <vector>

namespace kt {

struct ProblemSink {
    static inline std::vector<std::string> problems;
    static void __cdecl Take(const char* problem) { problems.push_back(problem); }
    ProblemSink() {
        problems.clear();
        KrSetProblemSink(Take);
    }
    ~ProblemSink() { KrSetProblemSink(nullptr); }
    ProblemSink(const ProblemSink&) = delete;
    ProblemSink& operator=(const ProblemSink&) = delete;
    // A problem reported that contains the text.
    bool Has(const std::string& text) const {
        for (const std::string& p : problems)
            if (p.find(text) != std::string::npos)
                return true;
        return false;
    }
};

} // namespace kt

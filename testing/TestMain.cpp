// Entry point of every test executable: no crash dialogs, GoogleTest as usual.
#include <windows.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

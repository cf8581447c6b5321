// A module that only carries resources (for the resource switch tests).
extern "C" __declspec(dllexport) int KrResStub() {
    return 0;
}

// The runner of a test executable: every registered case, or those whose name contains the
// first argument; after each case, no object of the library or of the host kit may be alive.
#include <cstring>

#include "TestKit.h"
#include "hostkit/HostKit.h"

int main(int argc, char** argv) {
    using namespace testkit;
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        std::printf("CoInitializeEx failed\n");
        return 1;
    }
    int passed = 0, failed = 0;
    for (const Case& c : cases()) {
        if (argc > 1 && !std::strstr(c.name, argv[1])) continue;
        failuresInCase = 0;
        try {
            c.fn();
        } catch (const Abort&) {
        } catch (...) {
            fail(__FILE__, __LINE__, "unexpected exception");
        }
        // Every case leaves nothing alive behind it.
        long lib = libraryObjects();
        long kit = hostkit::liveObjects();
        if (lib != 0) fail(__FILE__, __LINE__, "%ld object(s) of the library still alive", lib);
        if (kit != 0) fail(__FILE__, __LINE__, "%ld object(s) of the host kit still alive", kit);
        if (failuresInCase) {
            ++failed;
            std::printf("FAIL %s\n", c.name);
        } else {
            ++passed;
            std::printf("ok   %s\n", c.name);
        }
        std::fflush(stdout);
    }
    CoUninitialize();
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}

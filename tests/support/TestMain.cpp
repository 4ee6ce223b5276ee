// The main of every test executable: doctest's runner inside a single-threaded apartment.
// A first argument that is not an option runs only the cases whose name contains it
// (`test_x.exe relay` is `test_x.exe -tc=*relay*`); doctest's own options work as well. The last
// line is doctest's summary, and the exit code is non-zero when a case failed.
#include <string>
#include <vector>

#include "TestKit.h"

int main(int argc, char** argv) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        std::printf("CoInitializeEx failed\n");
        return 1;
    }
    std::vector<std::string> args(argv, argv + argc);
    if (args.size() > 1 && !args[1].empty() && args[1][0] != '-') args[1] = "-tc=*" + args[1] + "*";
    std::vector<const char*> pointers;
    for (const std::string& a : args) pointers.push_back(a.c_str());
    doctest::Context context(int(pointers.size()), pointers.data());
    // Plain text: the output goes to files and CTest's log, not to a terminal.
    context.setOption("no-colors", true);
    int result = context.run();
    CoUninitialize();
    return result;
}

// orvi-host: plays a session file against plug-ins on the host kit's simulated forms and checks
// what they answer.
//
//   orvi-host [--register DLL]... [--step-timeout SECONDS] SESSION-FILE
//
// The session is played in a child process (this program with --play), whose output this
// process passes on line by line. A step that does not finish within the time limit (default 60
// seconds, or [runner] step_timeout in the file; the same for opening each form) stops the
// session; a session process that crashes, in a plug-in or anywhere else, is reported with the
// step it was playing. Both count as a failure. Then "N passed, N failed"; the exit code is 0 when nothing failed, 1 when something
// did, 2 for a file that cannot be played (its message names the line).
//
// Other roles of the same program, started by the session process:
//   orvi-host --play SESSION-FILE                      the session itself
//   orvi-host --second-client SESSION-FILE FORM STEP    another user's client (Play.h)
//   orvi-host --read-inbox USER                         another user reading its inbox
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "com/Errors.h"
#include "hostkit/runner/Play.h"

using namespace runner;

namespace {

// Paths as a Linux shell gives them (/home/...) reach Wine's programs through its Z: drive.
std::wstring windowsPath(std::wstring path) {
    if (!path.empty() && path[0] == L'/') path = L"Z:" + path;
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

bool registerDll(const std::wstring& path) {
    HMODULE dll = LoadLibraryW(path.c_str());
    auto reg = dll ? reinterpret_cast<HRESULT(WINAPI*)()>(GetProcAddress(dll, "DllRegisterServer")) : nullptr;
    HRESULT hr = reg ? reg() : E_FAIL;
    if (dll) FreeLibrary(dll);
    say(L"registered " + path + (SUCCEEDED(hr) ? L": ok" : L": FAILED"));
    return SUCCEEDED(hr);
}

// The session process dies at its first unhandled exception, quietly (no debugger), with the
// exception's code as its exit code; the supervising process reports it.
LONG WINAPI onCrash(EXCEPTION_POINTERS* e) {
    char line[128];
    std::snprintf(line, sizeof line, "  ! the session process crashed: exception 0x%08lX at %p\n",
                  static_cast<unsigned long>(e->ExceptionRecord->ExceptionCode), e->ExceptionRecord->ExceptionAddress);
    std::fputs(line, stdout);
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), UINT(e->ExceptionRecord->ExceptionCode));
    return EXCEPTION_EXECUTE_HANDLER;
}

struct Supervisor {
    int passed = 0, failed = 0;
    std::string phase;  // what the session process is doing, from its last heading
    bool summary = false;

    void line(const std::string& l) {
        if (l.rfind("@@ ", 0) == 0) {  // the session's own count
            int p = 0, f = 0;
            if (std::sscanf(l.c_str() + 3, "%d %d", &p, &f) == 2) passed += p, failed += f;
            summary = true;
            return;
        }
        // Each step, each form's opening and the session's end are timed on their own.
        if (l.rfind("-- step ", 0) == 0) phase = "during " + l.substr(3);
        else if (l.rfind("== form ", 0) == 0) phase = "while opening " + l.substr(3);
        else if (l.rfind("== end", 0) == 0) phase = "at the end of the session";
        std::fputs((l + "\n").c_str(), stdout);
        std::fflush(stdout);
    }
    void failure(const std::string& what) {
        ++failed;
        line("  FAIL: " + what);
    }
    std::string during() const { return phase.empty() ? "while starting the session" : phase; }

    int run(const std::wstring& file, DWORD stepSeconds) {
        Child child;
        std::wstring command = L"\"" + ownPath() + L"\" --play \"" + file + L"\"";
        if (!child.start(command)) {
            failure("the session process could not be started");
            return 1;
        }
        HANDLE read = CreateFileW(child.outputPath().c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
        std::string pending;
        auto drain = [&] {
            char buf[4096];
            DWORD n = 0;
            while (ReadFile(read, buf, sizeof buf, &n, nullptr) && n > 0) pending.append(buf, n);
            for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
                std::string l = pending.substr(0, end);
                if (!l.empty() && l.back() == '\r') l.pop_back();
                pending.erase(0, end + 1);
                line(l);
            }
        };
        // Starting the process and the kit may take longer than a step on a busy machine.
        const DWORD startSeconds = stepSeconds > 60 ? stepSeconds : 60;
        std::string timed = phase;
        ULONGLONG started = GetTickCount64();
        bool timedOut = false;
        while (WaitForSingleObject(child.process(), 50) == WAIT_TIMEOUT) {
            drain();
            if (phase != timed) timed = phase, started = GetTickCount64();
            if (GetTickCount64() - started > ULONGLONG(phase.empty() ? startSeconds : stepSeconds) * 1000) {
                TerminateProcess(child.process(), 3);
                WaitForSingleObject(child.process(), 5000);
                timedOut = true;
                break;
            }
        }
        drain();
        if (!pending.empty()) line(pending);
        DWORD code = 0;
        GetExitCodeProcess(child.process(), &code);
        CloseHandle(read);
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(code));
        if (timedOut)
            failure("no answer within " + std::to_string(phase.empty() ? startSeconds : stepSeconds) + " s " + during() +
                    ": the session was stopped");
        else if (code >= 0xC0000000u)
            failure("the session process crashed (exception " + std::string(hex) + ") " + during());
        else if (code != 0 || !summary)
            failure("the session process ended with code " + std::to_string(code) + " " + during());
        std::fputs(("\n" + std::to_string(passed) + " passed, " + std::to_string(failed) + " failed\n").c_str(), stdout);
        std::fflush(stdout);
        return failed ? 1 : 0;
    }
};

int usage() {
    say(L"usage: orvi-host [--register DLL]... [--step-timeout SECONDS] SESSION-FILE");
    return 2;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::wstring> args(argv + 1, argv + argc);
    LocalFree(argv);

    if (args.size() == 2 && args[0] == L"--read-inbox") return readInboxOf(args[1]);
    bool play = args.size() == 2 && args[0] == L"--play";
    bool second = args.size() == 4 && args[0] == L"--second-client";
    if (play || second) {
        SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
        SetUnhandledExceptionFilter(onCrash);
        SessionFile file;
        try {
            file = loadSessionFile(args[1]);
        } catch (const FileError& e) {
            say(L"  ! " + widen(e.what()));
            return 2;
        }
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        int rc = 0;
        try {
            rc = play ? playSession(file) : playSecondClient(file, std::stoul(args[2]), std::stoul(args[3]));
        } catch (const orvi::com::ComError& e) {
            say(L"  ! error " + std::to_wstring(unsigned(e.hr())) + L" " + e.description() + L" (" + e.source() + L")");
            rc = play ? 1 : 33;
        }
        CoUninitialize();
        return rc;
    }

    std::vector<std::wstring> dlls;
    std::wstring path;
    long stepSeconds = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == L"--register" && i + 1 < args.size())
            dlls.push_back(windowsPath(args[++i]));
        else if (args[i] == L"--step-timeout" && i + 1 < args.size())
            stepSeconds = std::wcstol(args[++i].c_str(), nullptr, 10);
        else if (path.empty() && args[i].rfind(L"--", 0) != 0)
            path = windowsPath(args[i]);
        else
            return usage();
    }
    if (path.empty()) return usage();
    SessionFile file;
    try {
        file = loadSessionFile(path);
    } catch (const FileError& e) {
        std::string where = narrow(path) + (e.line ? ":" + std::to_string(e.line) : "");
        std::fputs((where + ": " + e.what() + "\n").c_str(), stdout);
        return 2;
    }
    if (!stepSeconds) {
        const Value* r = file.root.find(L"runner");
        stepSeconds = r ? r->num(L"step_timeout", 60) : 60;
    }
    for (const std::wstring& dll : dlls)
        if (!registerDll(dll)) return 2;
    say(L"session " + path);
    return Supervisor().run(path, DWORD(stepSeconds > 0 ? stepSeconds : 60));
}

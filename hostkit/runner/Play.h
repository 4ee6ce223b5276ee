// The session process of orvi-host: plays a checked session file on the host kit's simulated
// forms and prints the transcript, a line "-- step N: ..." as each step starts and a line
// "  pass: ..." or "  FAIL: ..." for each expectation (Main.cpp counts them).
#pragma once
#include <windows.h>

#include <string>

#include "hostkit/runner/SessionFile.h"

namespace runner {

// Plays every form of the file; answers the process's exit code (0 when it played through,
// whatever the expectations said).
int playSession(const SessionFile& file);
// Another user's client on the same machine (a "second-client" step): opens the form of the
// file's form `form` (0-based), clicks the step's tool and saves when the plug-in lets it.
// Exit codes: kGranted, kRefused, or above them for a failure.
int playSecondClient(const SessionFile& file, size_t form, size_t step);
// Another user's process reading its inbox: prints and removes its messages; answers their number.
int readInboxOf(const std::wstring& user);

inline constexpr int kGranted = 10, kRefused = 20;

// This program, to start its other roles.
std::wstring ownPath();

// A program started with its output and errors going to a new temporary file, which goes with
// this object.
class Child {
public:
    Child() = default;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child();
    bool start(std::wstring command);  // false when it could not be started
    HANDLE process() const noexcept { return process_; }
    const std::wstring& outputPath() const noexcept { return output_; }

private:
    std::wstring output_;
    HANDLE process_ = nullptr;
};
// Runs a program with its output in a temporary file, then prints that output indented with
// "  | "; answers the exit code (-1 when it could not be started). The program is stopped after
// `seconds`.
long runChild(std::wstring command, DWORD seconds = 120);
void say(const std::wstring& line);

}  // namespace runner

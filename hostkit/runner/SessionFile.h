// A session file of orvi-host: TOML read into a tree of values that keep their line, checked
// against what the runner knows before anything is played (SessionFile.cpp lists every key).
#pragma once
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "hostkit/WideText.h"

namespace runner {

struct Value {
    enum Kind { Bool, Int, Float, Text, List, Table } kind = Table;
    bool b = false;
    long long i = 0;
    double f = 0;
    std::wstring text;
    std::vector<Value> items;                           // List
    std::vector<std::pair<std::wstring, Value>> fields;  // Table, in file order
    int line = 0;

    const Value* find(std::wstring_view key) const;
    // The member's text, number or flag, or `fallback` when the key is absent (types were
    // checked when the file was read).
    std::wstring str(std::wstring_view key, std::wstring_view fallback = L"") const;
    long num(std::wstring_view key, long fallback = 0) const;
    bool flag(std::wstring_view key, bool fallback = false) const;
    // How the value reads in the transcript: "Closed", 2, True, [a, b].
    std::wstring show() const;
};

// A file that cannot be played: what is wrong and where.
struct FileError : std::runtime_error {
    int line;
    FileError(const std::string& what, int at) : std::runtime_error(what), line(at) {}
};

struct SessionFile {
    std::wstring path;    // as given
    std::wstring folder;  // where relative paths in the file start, with a trailing separator
    Value root;
};

// Reads and checks a session file; throws FileError (line 0 when the file cannot be read).
SessionFile loadSessionFile(const std::wstring& path);

using hostkit::narrow;
using hostkit::widen;

}  // namespace runner

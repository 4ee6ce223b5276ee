// Writes the registry rows of the library's registration for the installer:
//
//   orvi-regrows <dll> <platform> <out-file>
//
// The rows come from the DLL itself (its OrviRegistryRows export, the same rows its
// DllRegisterServer writes), for the type library subkey <platform> ("win32" or "win64"): a 64-bit
// process gives the 32-bit DLL's rows too, which a machine that cannot run 32-bit programs needs.
// One UTF-8 line per value:
//
//   key <TAB> value name (empty for the default value) <TAB> data
//
// the key relative to Software\Classes, the DLL's path written as {file} and its folder as {dir}.
// A tab or line break in a row cannot be written this way and fails the tool.
#include <windows.h>

#include <cstdio>
#include <algorithm>
#include <string>

namespace {

std::string utf8(const wchar_t* s) {
    int n = WideCharToMultiByte(CP_UTF8, 0, s, -1, nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n > 0 ? n : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s, -1, out.data(), n, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

struct Output {
    std::string text;
    bool ok = true;
};

void CALLBACK addRow(void* context, LPCWSTR key, LPCWSTR name, LPCWSTR value) {
    auto* out = static_cast<Output*>(context);
    std::string line = utf8(key) + "\t" + utf8(name) + "\t" + utf8(value);
    if (line.find_first_of("\r\n") != std::string::npos || std::count(line.begin(), line.end(), '\t') != 2) {
        fprintf(stderr, "orvi-regrows: a tab or line break in the row %s\n", line.c_str());
        out->ok = false;
    }
    out->text += line + "\n";
}

int fail(const std::wstring& what) {
    fwprintf(stderr, L"orvi-regrows: %ls\n", what.c_str());
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) return fail(L"usage: orvi-regrows <dll> <win32|win64> <out-file>");
    HMODULE dll = LoadLibraryW(argv[1]);
    if (!dll) return fail(std::wstring(L"cannot load ") + argv[1]);
    using RowFn = void(CALLBACK*)(void*, LPCWSTR, LPCWSTR, LPCWSTR);
    auto rows = reinterpret_cast<HRESULT(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR, RowFn, void*)>(
        reinterpret_cast<void*>(GetProcAddress(dll, "OrviRegistryRows")));
    if (!rows) return fail(L"the DLL has no OrviRegistryRows");
    Output out;
    HRESULT hr = rows(L"{file}", L"{dir}", argv[2], addRow, &out);
    if (FAILED(hr)) {
        wchar_t text[64];
        swprintf(text, 64, L"OrviRegistryRows failed: 0x%08lx", static_cast<unsigned long>(hr));
        return fail(text);
    }
    if (!out.ok || out.text.empty()) return fail(L"no rows written");
    FILE* file = _wfopen(argv[3], L"wb");
    if (!file) return fail(std::wstring(L"cannot write ") + argv[3]);
    fwrite(out.text.data(), 1, out.text.size(), file);
    fclose(file);
    return 0;
}

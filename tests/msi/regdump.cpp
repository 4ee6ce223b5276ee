// Writes every value under the given keys of HKEY_LOCAL_MACHINE, seen from the 64-bit and the
// 32-bit registry view, one UTF-8 line each:
//
//   view <TAB> key <TAB> value name <TAB> type <TAB> data
//
// view is 64 or 32 (the 32-bit view's Wow6432Node keys appear there, under their own paths), key
// the full path below HKEY_LOCAL_MACHINE, data the text of a string value
// or the bytes in hex. A key without values is written as one line with the name "(key)", so an
// empty key left behind shows too. The installer test compares such dumps before and after each
// step.
//
//   orvi-regdump <out-file> <key>...
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "hostkit/WideText.h"

namespace {

void dump(FILE* out, REGSAM view, const char* viewName, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return;
    DWORD subkeys = 0, values = 0, maxName = 0, maxValueName = 0, maxData = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &maxName, nullptr, &values, &maxValueName, &maxData,
                     nullptr, nullptr);
    std::string prefix = std::string(viewName) + "\t" + hostkit::narrow(path) + "\t";
    if (values == 0) fprintf(out, "%s(key)\t\t\n", prefix.c_str());
    for (DWORD i = 0; i < values; ++i) {
        std::wstring name(maxValueName + 1, L'\0');
        std::vector<BYTE> data(maxData + sizeof(wchar_t));
        DWORD nameLen = DWORD(name.size()), dataLen = DWORD(data.size()) - sizeof(wchar_t), type = 0;
        if (RegEnumValueW(key, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen) != ERROR_SUCCESS)
            continue;
        name.resize(nameLen);
        std::string text;
        if (type == REG_SZ || type == REG_EXPAND_SZ) {
            std::wstring w(reinterpret_cast<const wchar_t*>(data.data()), dataLen / sizeof(wchar_t));
            while (!w.empty() && w.back() == L'\0') w.pop_back();
            text = hostkit::narrow(w);
        } else {
            char hex[4];
            for (DWORD b = 0; b < dataLen; ++b) {
                snprintf(hex, sizeof hex, "%02x", data[b]);
                text += hex;
            }
        }
        fprintf(out, "%s%s\t%lu\t%s\n", prefix.c_str(), hostkit::narrow(name).c_str(), static_cast<unsigned long>(type),
                text.c_str());
    }
    std::vector<std::wstring> children;
    for (DWORD i = 0; i < subkeys; ++i) {
        std::wstring name(maxName + 1, L'\0');
        DWORD nameLen = DWORD(name.size());
        if (RegEnumKeyExW(key, i, name.data(), &nameLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        name.resize(nameLen);
        // The 32-bit view's own keys, seen from the 64-bit view: dumped as the 32-bit view.
        if (lstrcmpiW(name.c_str(), L"Wow6432Node") == 0) continue;
        children.push_back(name);
    }
    RegCloseKey(key);
    for (const std::wstring& child : children) dump(out, view, viewName, path + L"\\" + child);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        fwprintf(stderr, L"usage: orvi-regdump <out-file> <key>...\n");
        return 2;
    }
    FILE* out = _wfopen(argv[1], L"wb");
    if (!out) return 1;
    for (int i = 2; i < argc; ++i) {
        dump(out, KEY_WOW64_64KEY, "64", argv[i]);
        dump(out, KEY_WOW64_32KEY, "32", argv[i]);
    }
    fclose(out);
    return 0;
}

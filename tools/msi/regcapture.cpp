// Captures what a DLL's DllRegisterServer writes, for the installer's registry rows.
//
//   orvi-regcapture <dll> <out-file>
//
// The machine root (HKEY_LOCAL_MACHINE) is redirected to a scratch key of the current user while
// the DLL registers itself, so nothing reaches the real registry. Every value found afterwards
// under the scratch key's Software\Classes becomes one UTF-8 line of <out-file>:
//
//   key <TAB> value name (empty for the default value) <TAB> data
//
// the key relative to Software\Classes, the DLL's own path written as {file} and its folder as
// {dir}. Registration writes only text values into keys that hold at least one value; anything
// else (another value type, an empty key, a key outside Software\Classes, a tab or line break in
// a text) cannot become a row of the installer and fails the capture, rather than being dropped.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Row {
    std::wstring key, name, data;
};

std::string utf8(const std::wstring& s) {
    if (s.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.data(), int(s.size()), out.data(), n, nullptr, nullptr);
    return out;
}

void replaceAll(std::wstring& s, const std::wstring& what, const std::wstring& with) {
    for (size_t at = s.find(what); at != std::wstring::npos; at = s.find(what, at + with.size()))
        s.replace(at, what.size(), with);
}

bool plainText(const std::wstring& s) {
    return s.find_first_of(L"\t\r\n") == std::wstring::npos;
}

// Walks a key depth-first; false (with a message) on anything that is not a text value.
bool collect(HKEY parent, const std::wstring& path, std::vector<Row>& rows, std::wstring& error) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        error = L"cannot open " + path;
        return false;
    }
    DWORD subkeys = 0, values = 0, maxName = 0, maxValueName = 0, maxData = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &maxName, nullptr, &values, &maxValueName, &maxData,
                     nullptr, nullptr);
    bool ok = true;
    if (subkeys == 0 && values == 0) {
        error = L"empty key " + path;
        ok = false;
    }
    for (DWORD i = 0; ok && i < values; ++i) {
        std::wstring name(maxValueName + 1, L'\0');
        std::vector<BYTE> data(maxData + sizeof(wchar_t));
        DWORD nameLen = DWORD(name.size()), dataLen = DWORD(data.size()) - sizeof(wchar_t), type = 0;
        if (RegEnumValueW(key, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen) != ERROR_SUCCESS) {
            error = L"cannot read a value of " + path;
            ok = false;
            break;
        }
        name.resize(nameLen);
        if (type != REG_SZ) {
            error = L"value '" + name + L"' of " + path + L" is not text";
            ok = false;
            break;
        }
        std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), dataLen / sizeof(wchar_t));
        while (!text.empty() && text.back() == L'\0') text.pop_back();
        if (!plainText(path) || !plainText(name) || !plainText(text)) {
            error = L"tab or line break in " + path;
            ok = false;
            break;
        }
        rows.push_back({path, name, text});
    }
    for (DWORD i = 0; ok && i < subkeys; ++i) {
        std::wstring name(maxName + 1, L'\0');
        DWORD nameLen = DWORD(name.size());
        if (RegEnumKeyExW(key, i, name.data(), &nameLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            error = L"cannot list " + path;
            ok = false;
            break;
        }
        name.resize(nameLen);
        ok = collect(parent, path + L"\\" + name, rows, error);
    }
    RegCloseKey(key);
    return ok;
}

int fail(const std::wstring& what) {
    fwprintf(stderr, L"orvi-regcapture: %ls\n", what.c_str());
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return fail(L"usage: orvi-regcapture <dll> <out-file>");
    HMODULE dll = LoadLibraryW(argv[1]);
    if (!dll) return fail(std::wstring(L"cannot load ") + argv[1]);
    auto registerServer = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(dll, "DllRegisterServer")));
    if (!registerServer) return fail(L"no DllRegisterServer");
    // The path registration sees is the one the module was loaded from.
    wchar_t buf[MAX_PATH * 2] = {};
    GetModuleFileNameW(dll, buf, DWORD(std::size(buf)));
    std::wstring file = buf;
    std::wstring dir = file.substr(0, file.find_last_of(L'\\'));

    std::wstring scratch = L"Software\\OrviRegCapture-" + std::to_wstring(GetCurrentProcessId());
    HKEY machine = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, scratch.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &machine,
                        nullptr) != ERROR_SUCCESS)
        return fail(L"cannot create the scratch key");
    LONG redirected = RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine);
    HRESULT hr = redirected == ERROR_SUCCESS ? registerServer() : E_FAIL;
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);

    std::vector<Row> rows;
    std::wstring error;
    bool ok = false;
    if (redirected != ERROR_SUCCESS) {
        error = L"cannot redirect HKEY_LOCAL_MACHINE";
    } else if (FAILED(hr)) {
        wchar_t text[64];
        swprintf(text, 64, L"DllRegisterServer failed: 0x%08lx", static_cast<unsigned long>(hr));
        error = text;
    } else {
        DWORD subkeys = 0, values = 0;
        RegQueryInfoKeyW(machine, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr);
        HKEY software = nullptr;
        DWORD inSoftware = 0, softwareValues = 0;
        if (RegOpenKeyExW(machine, L"Software", 0, KEY_READ, &software) == ERROR_SUCCESS) {
            RegQueryInfoKeyW(software, nullptr, nullptr, nullptr, &inSoftware, nullptr, nullptr, &softwareValues,
                             nullptr, nullptr, nullptr, nullptr);
            RegCloseKey(software);
        }
        if (subkeys != 1 || inSoftware != 1 || values != 0 || softwareValues != 0) {
            error = L"registration wrote outside Software\\Classes";
        } else {
            HKEY classes = nullptr;
            if (RegOpenKeyExW(machine, L"Software\\Classes", 0, KEY_READ, &classes) != ERROR_SUCCESS) {
                error = L"registration wrote nothing";
            } else {
                ok = true;
                DWORD count = 0, maxName = 0;
                RegQueryInfoKeyW(classes, nullptr, nullptr, nullptr, &count, &maxName, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, nullptr);
                for (DWORD i = 0; ok && i < count; ++i) {
                    std::wstring name(maxName + 1, L'\0');
                    DWORD len = DWORD(name.size());
                    RegEnumKeyExW(classes, i, name.data(), &len, nullptr, nullptr, nullptr, nullptr);
                    name.resize(len);
                    ok = collect(classes, name, rows, error);
                }
                RegCloseKey(classes);
            }
        }
    }
    RegCloseKey(machine);
    RegDeleteTreeW(HKEY_CURRENT_USER, scratch.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, scratch.c_str());
    if (!ok) return fail(error);

    FILE* out = _wfopen(argv[2], L"wb");
    if (!out) return fail(std::wstring(L"cannot write ") + argv[2]);
    for (Row& r : rows) {
        replaceAll(r.data, file, L"{file}");
        replaceAll(r.data, dir, L"{dir}");
        std::string line = utf8(r.key) + "\t" + utf8(r.name) + "\t" + utf8(r.data) + "\n";
        fwrite(line.data(), 1, line.size(), out);
    }
    fclose(out);
    return 0;
}

// The registry rows the library hands installers (OrviRegistryRows) are the values its
// DllRegisterServer writes: compared with the machine registration the test prefix was set up
// with, value by value and key by key, for this build's own platform. Where the other
// architecture's build is registered beside it, the type library's version key is one key for
// both, and a value there that names a folder holds the answer of the build registered first.
#include <map>
#include <string>
#include <vector>

#include "OrviClassEvents.h"
#include "TestKit.h"

using namespace testkit;

namespace {

struct Row {
    std::wstring key, name, value;
};
using RowFn = void(CALLBACK*)(void*, LPCWSTR, LPCWSTR, LPCWSTR);
using RowsFn = HRESULT(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR, RowFn, void*);

void CALLBACK collect(void* context, LPCWSTR key, LPCWSTR name, LPCWSTR value) {
    static_cast<std::vector<Row>*>(context)->push_back({key, name, value});
}

#ifdef _WIN64
const wchar_t* const kPlatform = L"win64";
const wchar_t* const kOtherPlatform = L"win32";
#else
const wchar_t* const kPlatform = L"win32";
const wchar_t* const kOtherPlatform = L"win64";
#endif

std::wstring guid(const GUID& g) {
    wchar_t b[40];
    StringFromGUID2(g, b, 40);
    return b;
}

HKEY openClasses(const std::wstring& key) {
    HKEY k = nullptr;
    std::wstring path = L"Software\\Classes\\" + key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return nullptr;
    return k;
}

std::wstring machineValue(const std::wstring& key, const std::wstring& name) {
    HKEY k = openClasses(key);
    if (!k) return L"<no key>";
    wchar_t buf[1024] = {};
    DWORD size = sizeof buf - sizeof(wchar_t), type = 0;
    LONG r = RegQueryValueExW(k, name.empty() ? nullptr : name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf),
                              &size);
    RegCloseKey(k);
    if (r != ERROR_SUCCESS) return L"<no value>";
    return type == REG_SZ ? buf : L"<not text>";
}

// The registered library, loaded from where the machine registration points.
struct Library {
    HMODULE dll = nullptr;
    RowsFn rows = nullptr;
    std::wstring path, dir;

    Library() {
        path = machineValue(L"CLSID\\" + guid(CLSID_BillEvent) + L"\\InprocServer32", L"");
        dir = path.substr(0, path.find_last_of(L'\\'));
        dll = LoadLibraryW(path.c_str());
        REQUIRE(dll);
        rows = reinterpret_cast<RowsFn>(reinterpret_cast<void*>(GetProcAddress(dll, "OrviRegistryRows")));
        REQUIRE(bool(rows));
    }
    ~Library() { FreeLibrary(dll); }
};

}  // namespace

TEST_CASE(rows_are_the_values_registration_wrote) {
    Library lib;
    std::vector<Row> rows;
    CHECK_HR(lib.rows(lib.path.c_str(), lib.dir.c_str(), kPlatform, collect, &rows), S_OK);
    // The type library, 21 interfaces and 18 classes with their ProgIDs.
    CHECK_EQ(rows.size(), size_t(4 + 21 * 5 + 18 * 8));
    // The other build's rows, where its platform entry says it is registered too.
    std::wstring libKey = L"TypeLib\\" + guid(LIBID_OrviClassEvents) + L"\\";
    std::wstring otherPath = machineValue(libKey + L"2.1\\0\\" + kOtherPlatform, L"");
    std::map<std::wstring, std::wstring> others;
    if (!otherPath.empty() && otherPath[0] != L'<') {
        std::vector<Row> otherRows;
        std::wstring otherDir = otherPath.substr(0, otherPath.find_last_of(L'\\'));
        CHECK_HR(lib.rows(otherPath.c_str(), otherDir.c_str(), kOtherPlatform, collect, &otherRows), S_OK);
        for (const Row& r : otherRows)
            if (r.key.rfind(libKey, 0) == 0) others[r.key + L"|" + r.name] = r.value;
    }
    std::map<std::wstring, DWORD> valuesPerKey;
    for (const Row& r : rows) {
        ++valuesPerKey[r.key];
        std::wstring registered = machineValue(r.key, r.name);
        auto other = others.find(r.key + L"|" + r.name);
        if (registered != r.value && (other == others.end() || registered != other->second))
            fail(__FILE__, __LINE__, "%s [%s]: registered %s, row %s", narrow(r.key).c_str(), narrow(r.name).c_str(),
                 narrow(registered).c_str(), narrow(r.value).c_str());
    }
    // No key of the rows holds a value the rows leave out.
    for (const auto& [key, count] : valuesPerKey) {
        HKEY k = openClasses(key);
        DWORD values = 0;
        if (k) {
            RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                             nullptr, nullptr);
            RegCloseKey(k);
        }
        if (values != count)
            fail(__FILE__, __LINE__, "%s holds %lu values, the rows %lu", narrow(key).c_str(),
                 static_cast<unsigned long>(values), static_cast<unsigned long>(count));
    }
}

TEST_CASE(rows_of_the_32_bit_dll_name_its_type_library_path) {
    Library lib;
    std::vector<Row> rows64, rows32;
    CHECK_HR(lib.rows(L"C:\\x\\OrviClassEvents.dll", L"C:\\x", L"win64", collect, &rows64), S_OK);
    CHECK_HR(lib.rows(L"C:\\x\\OrviClassEvents.dll", L"C:\\x", L"win32", collect, &rows32), S_OK);
    REQUIRE(rows64.size() == rows32.size());
    std::wstring libKey = L"TypeLib\\" + guid(LIBID_OrviClassEvents) + L"\\2.1\\0\\";
    int paths = 0;
    for (size_t i = 0; i < rows64.size(); ++i) {
        if (rows64[i].key == libKey + L"win64") {
            ++paths;
            CHECK(rows32[i].key == libKey + L"win32");
            CHECK(rows32[i].value == rows64[i].value);
        } else {
            CHECK((rows32[i].key == rows64[i].key && rows32[i].name == rows64[i].name &&
                  rows32[i].value == rows64[i].value));
        }
    }
    CHECK_EQ(paths, 1);
}

TEST_CASE(rows_refuse_bad_arguments) {
    Library lib;
    std::vector<Row> rows;
    CHECK_HR(lib.rows(L"C:\\x\\OrviClassEvents.dll", L"C:\\x", L"win16", collect, &rows), E_INVALIDARG);
    CHECK_HR(lib.rows(nullptr, L"C:\\x", L"win64", collect, &rows), E_POINTER);
    CHECK_HR(lib.rows(L"C:\\x\\OrviClassEvents.dll", L"C:\\x", L"win64", nullptr, &rows), E_POINTER);
    CHECK(rows.empty());
}

// Writes the reference documentation and the registration-free manifest of a built library.
//
//   orvi-reference.exe <dll or .tlb> <dll file name> <reference.md> <manifest> <processorArchitecture>
#include <cstdio>

#include "TypeLibDoc.h"
#include "com/TypeLib.h"

namespace {

bool write(const wchar_t* path, const std::string& text) {
    FILE* f = _wfopen(path, L"wb");
    if (!f) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: orvi-reference <dll or tlb> <dll name> <reference.md> <manifest> <architecture>\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ITypeLib* lib = nullptr;
    HRESULT hr = LoadTypeLibEx(argv[1], REGKIND_NONE, &lib);
    if (FAILED(hr)) {
        std::fprintf(stderr, "cannot load the type library: 0x%08lx\n", static_cast<unsigned long>(hr));
        return 1;
    }
    // Texts decoded by the library's own code page, as the library's clients read them.
    ITypeLib* view = nullptr;
    if (SUCCEEDED(orvi::com::wrapTypeLib(lib, &view))) {
        lib->Release();
        lib = view;
    }
    bool ok = write(argv[3], reference::Utf8(reference::Markdown(lib))) &&
              write(argv[4], reference::Utf8(reference::Manifest(lib, argv[2], argv[5])));
    lib->Release();
    CoUninitialize();
    return ok ? 0 : 1;
}

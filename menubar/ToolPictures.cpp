#include "menubar/ToolPictures.h"

#include <olectl.h>

#include <string>

namespace orvi::pictures {

namespace {

constexpr int kFaceSize = 16;

// Errors of the picture loader and clipboard, by the numbers a VB client knows.
constexpr HRESULT kFileNotFound = HRESULT(0x800A0035);    // 53
constexpr HRESULT kInvalidPicture = HRESULT(0x800A01E1);  // 481
constexpr HRESULT kClipboardBusy = HRESULT(0x800A0209);   // 521

[[noreturn]] void fileNotFound() {
    com::raise(kFileNotFound, L"File not found");
}
[[noreturn]] void invalidPicture() {
    com::raise(kInvalidPicture, L"Invalid picture");
}

// Makes a picture object that owns `desc`'s handle; the handle is freed by `destroy` if that fails.
template <class Destroy>
ComPtr<IDispatch> create(PICTDESC& desc, Destroy destroy) {
    ComPtr<IDispatch> picture;
    HRESULT hr = OleCreatePictureIndirect(&desc, IID_IDispatch, TRUE, reinterpret_cast<void**>(picture.GetAddressOf()));
    if (FAILED(hr)) {
        destroy();
        com::throwHresult(hr);
    }
    return picture;
}

// The bytes of a file in a stream over movable global memory (what the picture loader reads).
struct FileImage {
    ComPtr<IStream> stream;
    LONG size = 0;
    WORD header[3] = {};  // the first six bytes, zero when the file is shorter
};

FileImage readFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) fileNotFound();
    FileImage image;
    LARGE_INTEGER size = {};
    HGLOBAL memory = nullptr;
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < 0x40000000 &&
              (memory = GlobalAlloc(GMEM_MOVEABLE, SIZE_T(size.QuadPart))) != nullptr;
    if (ok) {
        void* bytes = GlobalLock(memory);
        DWORD got = 0;
        ok = bytes && ReadFile(file, bytes, DWORD(size.QuadPart), &got, nullptr) && got == DWORD(size.QuadPart);
        if (ok && got >= sizeof image.header) CopyMemory(image.header, bytes, sizeof image.header);
        if (bytes) GlobalUnlock(memory);
    }
    CloseHandle(file);
    if (ok) ok = SUCCEEDED(CreateStreamOnHGlobal(memory, TRUE, image.stream.GetAddressOf()));
    if (!ok) {
        if (memory) GlobalFree(memory);
        invalidPicture();
    }
    image.size = LONG(size.QuadPart);
    return image;
}

// The resource type of an icon or cursor file (the header of both formats: reserved word 0,
// type 1 or 2, at least one image); 0 for any other file.
UINT iconType(const FileImage& image) {
    if (image.header[0] != 0 || image.header[2] == 0) return 0;
    if (image.header[1] == 1) return IMAGE_ICON;
    if (image.header[1] == 2) return IMAGE_CURSOR;
    return 0;
}

ComPtr<IDispatch> loadIcon(const std::wstring& path, UINT type) {
    HANDLE image = LoadImageW(nullptr, path.c_str(), type, kFaceSize, kFaceSize, LR_LOADFROMFILE | LR_DEFAULTCOLOR);
    if (!image) invalidPicture();
    HICON icon = static_cast<HICON>(image);
    PICTDESC desc = {};
    desc.cbSizeofstruct = sizeof desc;
    desc.picType = PICTYPE_ICON;
    desc.icon.hicon = icon;
    return create(desc, [&] { type == IMAGE_CURSOR ? DestroyCursor(icon) : DestroyIcon(icon); });
}

// Bitmaps, metafiles, GIF and JPEG at their own size, through the platform's stream loader.
ComPtr<IDispatch> loadOther(FileImage& image) {
    ComPtr<IDispatch> picture;
    HRESULT hr = OleLoadPicture(image.stream.Get(), image.size, FALSE, IID_IDispatch,
                                reinterpret_cast<void**>(picture.GetAddressOf()));
    if (hr == E_OUTOFMEMORY) com::raise(RuntimeError::OutOfMemory);
    if (FAILED(hr) || !picture) invalidPicture();
    return picture;
}

}  // namespace

ComPtr<IDispatch> empty() {
    PICTDESC desc = {};
    desc.cbSizeofstruct = sizeof desc;
    desc.picType = PICTYPE_NONE;
    return create(desc, [] {});
}

ComPtr<IDispatch> load(std::wstring_view path) {
    if (path.empty()) return empty();
    std::wstring file(path);
    FileImage image = readFile(file);
    UINT type = iconType(image);
    return type ? loadIcon(file, type) : loadOther(image);
}

ComPtr<IDispatch> fromClipboard() {
    if (!OpenClipboard(nullptr)) com::raise(kClipboardBusy, L"Can't open Clipboard");
    HBITMAP copy = nullptr;
    if (HANDLE bitmap = GetClipboardData(CF_BITMAP))
        copy = static_cast<HBITMAP>(CopyImage(bitmap, IMAGE_BITMAP, 0, 0, 0));
    CloseClipboard();
    if (!copy) return empty();
    PICTDESC desc = {};
    desc.cbSizeofstruct = sizeof desc;
    desc.picType = PICTYPE_BITMAP;
    desc.bmp.hbitmap = copy;
    return create(desc, [&] { DeleteObject(copy); });
}

}  // namespace orvi::pictures

// Pictures for tool faces, made the way the platform's picture loader and clipboard give them.
#pragma once
#include <string_view>

#include "base/Library.h"

namespace orvi::pictures {

// A picture object with no image (what loading an empty path gives).
ComPtr<IDispatch> empty();

// The picture in a file. Icon and cursor files are loaded at 16 x 16 pixels in colour; other
// formats (bitmap, metafile, GIF, JPEG) at their own size, through the platform's stream loader.
// An empty path gives an empty picture.
// A missing file is error 53, a file that holds no picture error 481.
ComPtr<IDispatch> load(std::wstring_view path);

// A copy of the bitmap on the clipboard (clipboard format 2); an empty picture when the
// clipboard holds none. A clipboard that cannot be opened is error 521.
ComPtr<IDispatch> fromClipboard();

}  // namespace orvi::pictures

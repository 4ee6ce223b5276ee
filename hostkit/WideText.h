// Text between UTF-16 and a code page (UTF-8 unless said otherwise). Header-only and Windows SDK
// only: the host kit, its runner, the tests and the tools all convert this way.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

namespace hostkit {

inline std::string narrow(std::wstring_view s, UINT codePage = CP_UTF8) {
    if (s.empty()) return {};
    int n = WideCharToMultiByte(codePage, 0, s.data(), int(s.size()), nullptr, 0, nullptr, nullptr);
    std::string r(size_t(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(codePage, 0, s.data(), int(s.size()), r.data(), n, nullptr, nullptr);
    return r;
}

inline std::wstring widen(std::string_view s, UINT codePage = CP_UTF8) {
    if (s.empty()) return {};
    int n = MultiByteToWideChar(codePage, 0, s.data(), int(s.size()), nullptr, 0);
    std::wstring r(size_t(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(codePage, 0, s.data(), int(s.size()), r.data(), n);
    return r;
}

}  // namespace hostkit

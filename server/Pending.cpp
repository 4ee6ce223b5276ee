// The members whose behaviour is not built yet. Each answers E_NOTIMPL with the text
// "<Member> is not implemented yet", through IDispatch and through the vtable alike. The list
// shrinks as the behaviour of each part of the object model lands.
#include "server/Library.h"

#include <string>

namespace orvi {

namespace {

const wchar_t* const kPending[] = {
    nullptr,
};

}  // namespace

const wchar_t* const* OrviLibrary::pending() noexcept {
    return kPending;
}

HRESULT reportPending(const wchar_t* source, const char* function) noexcept {
    std::wstring member;
    for (const char* p = function; *p; ++p) member.push_back(wchar_t(*p));
    for (const wchar_t* prefix : {L"putref_", L"put_", L"get_"})
        if (member.rfind(prefix, 0) == 0) {
            member.erase(0, wcslen(prefix));
            break;
        }
    return com::boundary(source, [&] { com::raise(E_NOTIMPL, member + L" is not implemented yet"); });
}

}  // namespace orvi

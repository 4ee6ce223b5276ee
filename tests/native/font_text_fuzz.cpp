// libFuzzer target for the font text routines: besides the sanitizers' checks, properties that
// must hold for any input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "text/FontText.h"

using namespace orvi::fonttext;

namespace {

// Bytes to text: ASCII as it is (letters, "=", "|" and digits are what font texts are made
// of); other bytes become letters outside ASCII.
std::wstring textOf(const uint8_t* data, size_t size) {
    std::wstring s;
    for (size_t i = 0; i < size; ++i) s += data[i] < 0x80 ? wchar_t(data[i]) : wchar_t(0x4E00 + data[i]);
    return s;
}

void require(bool ok) {
    if (!ok) std::abort();
}

const wchar_t* const kItems[] = {L"FontName", L"FontSize", L"FontBold", L"FontItalic"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // The first byte picks the item name (one of the four, or a name taken from the input) and
    // where the input splits into font text and new value.
    const uint8_t selector = data[0];
    std::wstring rest = textOf(data + 1, size - 1);
    size_t cut = rest.size() ? (selector >> 3) % (rest.size() + 1) : 0;
    std::wstring text = rest.substr(0, cut), value = rest.substr(cut);
    std::wstring name = (selector & 4) ? std::wstring(kItems[selector & 3]) : value.substr(0, value.size() / 2);

    // A read is a piece of the text that holds no separator.
    std::wstring item = GetFontItem(text, name, L"|");
    require(item.find(L'|') == std::wstring::npos);
    require((text + L"|").find(item) != std::wstring::npos);

    std::wstring written = SetFontItem(text, name, value);
    if (text.empty()) {
        // An empty font text behaves as the empty form.
        require(written == SetFontItem(kEmptyFont, name, value));
    } else {
        // Setting the value an item already has changes nothing; a text without the exact
        // "name=old" is left as it is.
        require(SetFontItem(text, name, item) == text);
        if (text.find(name + L"=" + item) == std::wstring::npos) require(written == text);
    }

    // A well-formed font text whose values hold neither "=" nor "|": setting one item changes
    // that item only, and reading it back gives the new value.
    std::wstring values[4];
    for (size_t i = 0; i < rest.size(); ++i)
        if (rest[i] != L'=' && rest[i] != L'|') values[i % 4] += rest[i];
    std::wstring fresh = values[selector & 3];
    std::wstring font;
    for (int i = 0; i < 4; ++i) font += std::wstring(i ? L"|" : L"") + kItems[i] + L"=" + values[(i + 1) % 4];
    std::wstring changed = SetFontItem(font, kItems[selector & 3], fresh);
    for (int i = 0; i < 4; ++i) {
        std::wstring expected = i == (selector & 3) ? fresh : values[(i + 1) % 4];
        require(GetFontItem(changed, kItems[i], L"|") == expected);
    }
    return 0;
}

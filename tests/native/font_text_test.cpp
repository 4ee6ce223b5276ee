// Unit tests of the font text routines of field descriptors, built natively under ASan and UBSan.
#include <cstdio>
#include <string>

#include "text/FontText.h"

using namespace orvi::fonttext;

namespace {

int passed = 0, failed = 0;

void expectText(const std::wstring& got, const std::wstring& want, const char* what, int line) {
    if (got == want) {
        ++passed;
        return;
    }
    ++failed;
    std::printf("  line %d: %s: got \"%ls\", expected \"%ls\"\n", line, what, got.c_str(), want.c_str());
}

#define EXPECT_TEXT(expr, want) expectText((expr), (want), #expr, __LINE__)

// A folding function other than ASCII's, to see that the caller's rules are the ones used.
wchar_t UpperWithFullWidth(wchar_t c) noexcept {
    if (c >= 0xFF41 && c <= 0xFF5A) return wchar_t(c - 0xFF41 + L'A');
    if (c >= 0xFF21 && c <= 0xFF3A) return wchar_t(c - 0xFF21 + L'A');
    return orvi::props::AsciiUpper(c);
}

void reading() {
    const std::wstring font = L"FontName=Arial|FontSize=9|FontBold=False|FontItalic=False";
    EXPECT_TEXT(GetFontItem(font, L"FontName", L"|"), L"Arial");
    EXPECT_TEXT(GetFontItem(font, L"FontSize", L"|"), L"9");
    EXPECT_TEXT(GetFontItem(font, L"FontItalic", L"|"), L"False");  // the separator is supplied at the end
    EXPECT_TEXT(GetFontItem(font + L"|", L"FontItalic", L"|"), L"False");
    EXPECT_TEXT(GetFontItem(L"fontname=Arial|FontSize=9", L"FontName", L"|"), L"Arial");  // name found ignoring case
    EXPECT_TEXT(GetFontItem(L"FontName=Arial|FontSize=9", L"FontItalic", L"|"), L"");     // missing
    EXPECT_TEXT(GetFontItem(L"", L"FontName", L"|"), L"");
    EXPECT_TEXT(GetFontItem(std::wstring(kEmptyFont), L"FontBold", L"|"), L"");
    // The first match wins, also inside a longer name.
    EXPECT_TEXT(GetFontItem(L"MyFontName=X|FontName=Y", L"FontName", L"|"), L"X");
    // Separators of other lengths; an empty separator leaves nothing after the "=".
    EXPECT_TEXT(GetFontItem(L"a=1;;b=2", L"B", L";;"), L"2");
    EXPECT_TEXT(GetFontItem(L"a=1;;b=2", L"a", L";;"), L"1");
    EXPECT_TEXT(GetFontItem(L"a=1", L"a", L""), L"");
    // The separator is compared exactly; the name by the caller's folding.
    EXPECT_TEXT(GetFontItem(L"a=1x2X", L"a", L"X"), L"1x2");
    EXPECT_TEXT(GetFontItem(L"\xFF26ontSize=12|", L"FontSize", L"|"), L"");
    EXPECT_TEXT(GetFontItem(L"\xFF26ontSize=12|", L"FontSize", L"|", UpperWithFullWidth), L"12");
    // Chinese values come back as they are.
    EXPECT_TEXT(GetFontItem(L"FontName=宋体|FontSize=9", L"FontName", L"|"), L"宋体");
}

void writing() {
    // No font text yet: the empty form with the one item set.
    EXPECT_TEXT(SetFontItem(L"", L"FontBold", L"True"), L"FontName=|FontSize=|FontBold=True|FontItalic=");
    EXPECT_TEXT(SetFontItem(L"", L"FontName", L"宋体"), L"FontName=宋体|FontSize=|FontBold=|FontItalic=");
    EXPECT_TEXT(SetFontItem(L"FontName=Arial|FontSize=9|FontBold=False|FontItalic=False", L"FontSize", L"10.5"),
                L"FontName=Arial|FontSize=10.5|FontBold=False|FontItalic=False");
    // A missing item is not added.
    EXPECT_TEXT(SetFontItem(L"FontName=Arial|FontSize=9", L"FontItalic", L"True"), L"FontName=Arial|FontSize=9");
    // An item in another letter case is read but not replaced.
    EXPECT_TEXT(SetFontItem(L"fontname=Arial|FontSize=9", L"FontName", L"Tahoma"), L"fontname=Arial|FontSize=9");
    EXPECT_TEXT(SetFontItem(L"fontname=Arial|FontSize=9", L"FontSize", L"12"), L"fontname=Arial|FontSize=12");
    // Every exact occurrence is replaced, left to right.
    EXPECT_TEXT(SetFontItem(L"FontSize=1|FontSize=10", L"FontSize", L"2"), L"FontSize=2|FontSize=20");
    // Written verbatim: a "|" in the value splits the item for later reads.
    std::wstring split = SetFontItem(L"FontName=Arial|FontSize=9", L"FontName", L"A|B");
    EXPECT_TEXT(split, L"FontName=A|B|FontSize=9");
    EXPECT_TEXT(GetFontItem(split, L"FontName", L"|"), L"A");
    // Setting an item to its own value changes nothing.
    EXPECT_TEXT(SetFontItem(L"FontName=Arial", L"FontName", L"Arial"), L"FontName=Arial");
    EXPECT_TEXT(ReplaceAll(L"aaa", L"aa", L"b"), L"ba");
    EXPECT_TEXT(ReplaceAll(L"abc", L"", L"x"), L"abc");
}

}  // namespace

int main() {
    reading();
    writing();
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}

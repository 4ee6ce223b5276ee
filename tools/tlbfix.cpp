// tlbfix: finishes a type library written by widl (MSFT format) so that it reads the way the
// library's clients expect.
//
//  * Texts (help strings, string default values) are stored in code page 936. widl copies the
//    UTF-8 bytes of the .idl; a type library stores 8-bit text that readers decode with the ANSI
//    code page of the machine, which is 936 on the client machines this library targets.
//    Converting shortens every text, so each one is rewritten in place in its own slot. Readers
//    walk the string table by the stored lengths, so a string keeps its length and the bytes
//    after the converted text are NULs (readers stop at the first NUL); a string default value
//    is read by offset and simply gets its shorter length.
//  * Every pure dispinterface (the library's event interfaces) gets TYPEFLAG_FNONEXTENSIBLE,
//    which widl refuses to write for a dispinterface.
//
// Usage: tlbfix input.tlb output.tlb
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iconv.h>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kMagic = 0x5446534D;  // "MSFT"
constexpr int kHeaderSize = 0x54;
constexpr uint32_t kHelpDllFlag = 0x100;
constexpr int kSegCount = 15;
constexpr int kSegTypeInfo = 0, kSegString = 8, kSegCustData = 11;
constexpr int kTypeInfoSize = 0x64, kTypeInfoFlags = 0x30;
constexpr uint32_t kTkindDispatch = 4;
constexpr uint32_t kFlagDual = 0x40, kFlagNonExtensible = 0x80;
constexpr uint16_t kVtBstr = 8;

std::vector<unsigned char> data;

uint32_t rd32(size_t at) {
    return data[at] | data[at + 1] << 8 | data[at + 2] << 16 | uint32_t(data[at + 3]) << 24;
}
uint16_t rd16(size_t at) { return uint16_t(data[at] | data[at + 1] << 8); }
void wr32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) data[at + i] = (v >> (8 * i)) & 0xFF;
}

[[noreturn]] void fail(const std::string& why) {
    std::fprintf(stderr, "tlbfix: %s\n", why.c_str());
    std::exit(1);
}

bool isUtf8WithNonAscii(const unsigned char* p, size_t n) {
    bool nonAscii = false;
    for (size_t i = 0; i < n;) {
        unsigned char c = p[i];
        size_t follow = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 99;
        if (follow == 99 || i + follow >= n + (follow ? 0 : 1)) return false;
        for (size_t k = 1; k <= follow; ++k)
            if (i + k >= n || (p[i + k] & 0xC0) != 0x80) return false;
        nonAscii |= follow > 0;
        i += follow + 1;
    }
    return nonAscii;
}

std::string toCp936(const unsigned char* p, size_t n) {
    iconv_t cd = iconv_open("CP936", "UTF-8");
    if (cd == (iconv_t)-1) fail("iconv cannot convert UTF-8 to CP936");
    std::string in(reinterpret_cast<const char*>(p), n), out(n * 2 + 4, '\0');
    char* src = in.data();
    char* dst = out.data();
    size_t inLeft = n, outLeft = out.size();
    if (iconv(cd, &src, &inLeft, &dst, &outLeft) == (size_t)-1)
        fail("text has characters that code page 936 cannot hold: " + in);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

// Rewrites the n bytes at `at` (UTF-8) as CP936 in place, NUL-filling the rest of the n bytes;
// returns the converted length.
size_t recode(size_t at, size_t n) {
    std::string gbk = toCp936(&data[at], n);
    if (gbk.size() > n) fail("converted text is longer than its slot");
    std::memcpy(&data[at], gbk.data(), gbk.size());
    std::memset(&data[at + gbk.size()], 0, n - gbk.size());
    return gbk.size();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) fail("usage: tlbfix input.tlb output.tlb");
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) fail(std::string("cannot read ") + argv[1]);
    data.assign(std::istreambuf_iterator<char>(in), {});
    if (data.size() < kHeaderSize || rd32(0) != kMagic) fail("not an MSFT type library");

    const uint32_t varflags = rd32(0x14);
    const uint32_t typeInfos = rd32(0x20);
    size_t segDir = kHeaderSize + (varflags & kHelpDllFlag ? 4 : 0) + 4 * typeInfos;
    if (segDir + kSegCount * 16 > data.size()) fail("truncated segment directory");
    auto segOffset = [&](int seg) { return size_t(rd32(segDir + seg * 16)); };
    auto segLength = [&](int seg) { return size_t(rd32(segDir + seg * 16 + 4)); };

    // Type flags.
    int flagged = 0;
    for (uint32_t i = 0; i < typeInfos; ++i) {
        size_t entry = segOffset(kSegTypeInfo) + i * kTypeInfoSize;
        if (entry + kTypeInfoSize > data.size()) fail("truncated type info table");
        uint32_t kind = rd32(entry) & 0xF;
        uint32_t flags = rd32(entry + kTypeInfoFlags);
        if (kind != kTkindDispatch || (flags & (kFlagDual | kFlagNonExtensible))) continue;
        wr32(entry + kTypeInfoFlags, flags | kFlagNonExtensible);
        ++flagged;
    }

    // String table: [u16 length][bytes], each entry padded to a multiple of four.
    int texts = 0;
    size_t strBase = segOffset(kSegString), strLen = segLength(kSegString);
    if (strBase + strLen > data.size()) fail("truncated string table");
    for (size_t off = 0; off + 2 <= strLen;) {
        size_t n = rd16(strBase + off);
        size_t stride = (n + 5) & ~size_t(3);
        if (off + 2 + n > strLen) fail("string table entry runs past its segment");
        if (isUtf8WithNonAscii(&data[strBase + off + 2], n)) {
            recode(strBase + off + 2, n);
            ++texts;
        }
        off += stride;
    }

    // Custom data: string values are [u16 VT_BSTR][u32 length][bytes].
    size_t cdBase = segOffset(kSegCustData), cdLen = segLength(kSegCustData);
    if (cdBase + cdLen > data.size()) fail("truncated custom data segment");
    for (size_t off = 0; off + 6 <= cdLen; off += 2) {
        if (rd16(cdBase + off) != kVtBstr) continue;
        size_t n = rd32(cdBase + off + 2);
        if (n == 0 || off + 6 + n > cdLen) continue;
        if (!isUtf8WithNonAscii(&data[cdBase + off + 6], n)) continue;
        wr32(cdBase + off + 2, uint32_t(recode(cdBase + off + 6, n)));
        ++texts;
        off += 4 + n;
    }

    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    if (!out) fail(std::string("cannot write ") + argv[2]);
    std::printf("tlbfix: %d type flags, %d texts\n", flagged, texts);
    return 0;
}

// Narrow text read in any of the code pages: always valid UTF-8, never a
// control character but tab and line feed, and printable ASCII as it came.
#include "check.h"
#include "internal.h"

#include <stdint.h>

#include <string>

namespace {

bool valid_utf8(const std::string &s)
{
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t more = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 9;
        if (more == 9 || i + more >= s.size())
            return false;
        for (size_t k = 1; k <= more; k++)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        i += more + 1;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const unsigned codepages[] = {874,  932,  936,  949,  950,  1250, 1251,
                                         1252, 1253, 1254, 1255, 1256, 1257, 1258};
    if (size < 1)
        return 0;
    unsigned codepage = codepages[data[0] % std::size(codepages)];
    std::string_view text(reinterpret_cast<const char *>(data + 1), size - 1);
    std::string out = narrow_to_utf8(codepage, text);
    CHECK(valid_utf8(out));
    for (size_t i = 0; i < out.size(); i++) {
        unsigned char c = static_cast<unsigned char>(out[i]);
        CHECK(c >= 0x20 || c == '\t' || c == '\n');
        CHECK(c != 0x7F);
        CHECK(!(c == 0xC2 && i + 1 < out.size() && static_cast<unsigned char>(out[i + 1]) < 0xA0));
    }
    bool ascii = true;
    for (char c : text)
        ascii = ascii && c >= 0x20 && c < 0x7F;
    if (ascii)
        CHECK(out == text);
    return 0;
}

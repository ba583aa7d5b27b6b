// The terminal box's input, as it comes in reads of any size: every call
// consumes at least a byte and no more than it was given, and what waits for
// the rest of a sequence stays short, so that no input is held or rescanned
// without end.
#include "check.h"
#include "internal.h"

#include <stdint.h>

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    // A terminal of some size, and the size of each read.
    BoxLayout box = layout_box("Hello", "merong", 1 + data[0] % 200, 1 + data[1] % 80);
    size_t chunk = 1 + data[2] % 64;
    std::string_view in(reinterpret_cast<const char *>(data + 3), size - 3);
    std::string pending;
    BoxTarget pressed = BoxTarget::none;
    for (size_t at = 0; at < in.size(); at += chunk) {
        pending.append(in.substr(at, chunk));
        for (;;) {
            size_t used = 0;
            BoxInput input = box_input(pending, box, &used, &pressed);
            if (input == BoxInput::incomplete) {
                CHECK(pending.size() <= 32);
                CHECK(pending[0] == '\x1b');
                break;
            }
            CHECK(used >= 1 && used <= pending.size());
            pending.erase(0, used);
            if (input == BoxInput::dismiss)
                pressed = BoxTarget::none; // the next box
            if (pending.empty())
                break;
        }
    }
    return 0;
}

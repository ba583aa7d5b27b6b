// The desktop front end: loads the GTK module the first time a box is to be
// shown on a display, and keeps it for the boxes that follow.
#include "internal.h"
#include "windows.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#ifndef MERONG_MODULE_DIR
#error "MERONG_MODULE_DIR: where the module is, from the program's folder"
#endif

namespace {

const char module_name[] = "merong-gtk.so";

using open_fn = int (*)();
using box_fn = void (*)(const char *, const char *);

enum class Desktop { untried, missing, ready };
Desktop desktop = Desktop::untried;
box_fn show_box = nullptr;

bool display_named()
{
    const char *const variables[] = {"WAYLAND_DISPLAY", "DISPLAY"};
    return std::ranges::any_of(variables, [](const char *variable) {
        const char *value = getenv(variable);
        return value && *value;
    });
}

// The module where it is installed in relation to the program, under
// whatever prefix (a build tree is laid out the same way), and nowhere else:
// not beside the program, where anyone who can write to a folder that holds
// a copy of it could plant one.
void *load_module()
{
    char self[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return nullptr;
    std::string path(self, static_cast<size_t>(n));
    path.erase(path.rfind('/') + 1);
    path += MERONG_MODULE_DIR "/";
    path += module_name;
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

bool open_desktop()
{
    void *module = load_module();
    if (!module)
        return false;
    auto open = reinterpret_cast<open_fn>(dlsym(module, "merong_desktop_open"));
    show_box = reinterpret_cast<box_fn>(dlsym(module, "merong_desktop_message_box"));
    if (!open || !show_box) {
        dlclose(module);
        return false;
    }
    // A toolkit that has been started cannot be taken out of the process
    // again: the module stays, even when the display could not be opened.
    return open();
}

} // namespace

int desktop_message_box(const std::string &caption, const std::string &text)
{
    if (desktop == Desktop::untried) {
        if (!display_named())
            return 0; // and GTK is never loaded; a display named later counts
        desktop = open_desktop() ? Desktop::ready : Desktop::missing;
    }
    if (desktop != Desktop::ready)
        return 0;
    show_box(caption.c_str(), text.c_str());
    return IDOK;
}

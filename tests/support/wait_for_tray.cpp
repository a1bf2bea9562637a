// corvane-wait-tray SECONDS: waits until a tray on $DISPLAY owns the _NET_SYSTEM_TRAY_S<screen>
// selection (the tray is ready to take icons); exits 1 with a message when none does in time.
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 20.0;
    const char* display = std::getenv("DISPLAY");
    int screen = 0;
    xcb_connection_t* x = xcb_connect(nullptr, &screen);
    if (xcb_connection_has_error(x)) {
        std::fprintf(stderr, "corvane-wait-tray: cannot open display \"%s\"\n", display ? display : "");
        return 1;
    }
    const std::string selection = "_NET_SYSTEM_TRAY_S" + std::to_string(screen);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(x, xcb_intern_atom(x, 0, static_cast<uint16_t>(selection.size()), selection.c_str()),
                              nullptr),
        &std::free);
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    bool owned = false;
    while (atom != nullptr && !owned) {
        std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
            xcb_get_selection_owner_reply(x, xcb_get_selection_owner(x, atom->atom), nullptr), &std::free);
        owned = owner != nullptr && owner->owner != XCB_NONE;
        if (owned || std::chrono::steady_clock::now() >= until) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    xcb_disconnect(x);
    if (!owned)
        std::fprintf(stderr, "corvane-wait-tray: no tray claimed %s on \"%s\" within %g s\n", selection.c_str(),
                     display ? display : "", seconds);
    return owned ? 0 : 1;
}

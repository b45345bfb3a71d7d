#include "plotting/x_display.hpp"

#ifdef KOVRIN_HAVE_X11
#include <X11/Xlib.h>
#endif

namespace kov {

#ifdef KOVRIN_HAVE_X11
namespace {
struct XCheck {
    bool asked = false;
    Display* display = nullptr;
};
XCheck& check() {
    static XCheck c;
    return c;
}
}  // namespace

bool x_display_answers() {
    XCheck& c = check();
    if (!c.asked) {
        c.asked = true;
        c.display = XOpenDisplay(nullptr);
    }
    return c.display != nullptr;
}

void close_x_display() {
    XCheck& c = check();
    if (c.display) XCloseDisplay(c.display);
    c.display = nullptr;
}
#else
bool x_display_answers() { return false; }
void close_x_display() {}
#endif

}  // namespace kov

// Times keys from outside a program, as a user sees them: for each key, a
// copy of a screen rectangle is taken, the key is pressed and released
// through the XTest extension (as xdotool does), and the rectangle is read
// again and again until it differs. Prints one line per key: the key and
// the milliseconds from the key press to the changed picture on the screen.
//
//   keypaint X Y WIDTH HEIGHT KEY...
// KEY: an X keysym name ("a", "BackSpace") or one character (any script).
#include <X11/Xlib.h>
#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

std::vector<char> grab(Display *display, Window root, int x, int y, int w, int h)
{
    XImage *image = XGetImage(display, root, x, y, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
    if (!image)
        return {};
    std::vector<char> bytes(image->data, image->data + size_t(image->bytes_per_line) * size_t(h));
    XDestroyImage(image);
    return bytes;
}

/// The keysym of one UTF-8 character, or of a keysym name.
KeySym keysymOf(const char *key)
{
    const auto *u = reinterpret_cast<const unsigned char *>(key);
    if (u[0] >= 0x80) {
        unsigned codePoint = 0;
        if ((u[0] & 0xE0) == 0xC0)
            codePoint = ((u[0] & 0x1F) << 6) | (u[1] & 0x3F);
        else if ((u[0] & 0xF0) == 0xE0)
            codePoint = ((u[0] & 0x0F) << 12) | ((u[1] & 0x3F) << 6) | (u[2] & 0x3F);
        return 0x1000000 + codePoint;
    }
    return XStringToKeysym(key);
}

/// A key code that types keysym: one that already does, or a spare one
/// mapped to it (as xdotool does for characters the keyboard lacks).
KeyCode keycodeFor(Display *display, KeySym keysym)
{
    if (KeyCode code = XKeysymToKeycode(display, keysym); code != 0 && XkbKeycodeToKeysym(display, code, 0, 0) == keysym)
        return code;
    int low = 0;
    int high = 0;
    XDisplayKeycodes(display, &low, &high);
    int perCode = 0;
    KeySym *map = XGetKeyboardMapping(display, KeyCode(low), high - low + 1, &perCode);
    int spare = 0;
    for (int code = high; code >= low && spare == 0; --code) {
        bool empty = true;
        for (int i = 0; i < perCode; ++i)
            empty = empty && map[(code - low) * perCode + i] == NoSymbol;
        if (empty)
            spare = code;
    }
    XFree(map);
    if (spare == 0)
        return 0;
    KeySym syms[2] = {keysym, keysym};
    XChangeKeyboardMapping(display, spare, 2, syms, 1);
    XSync(display, False);
    // The program reads the new mapping before the key comes.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    return KeyCode(spare);
}
}

int main(int argc, char **argv)
{
    if (argc < 6) {
        std::fprintf(stderr, "usage: keypaint X Y WIDTH HEIGHT KEY...\n");
        return 2;
    }
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "keypaint: no X display\n");
        return 1;
    }
    const Window root = DefaultRootWindow(display);
    const int x = std::atoi(argv[1]);
    const int y = std::atoi(argv[2]);
    const int w = std::atoi(argv[3]);
    const int h = std::atoi(argv[4]);
    for (int i = 5; i < argc; ++i) {
        const KeySym keysym = keysymOf(argv[i]);
        const KeyCode code = keysym == NoSymbol ? 0 : keycodeFor(display, keysym);
        if (code == 0) {
            std::fprintf(stderr, "keypaint: cannot type %s\n", argv[i]);
            return 1;
        }
        // Whatever the last key started has settled.
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        const std::vector<char> before = grab(display, root, x, y, w, h);
        const Clock::time_point pressed = Clock::now();
        XTestFakeKeyEvent(display, code, True, 0);
        XTestFakeKeyEvent(display, code, False, 0);
        XFlush(display);
        double ms = -1;
        while (Clock::now() - pressed < std::chrono::seconds(3)) {
            if (grab(display, root, x, y, w, h) != before) {
                ms = std::chrono::duration<double, std::milli>(Clock::now() - pressed).count();
                break;
            }
        }
        std::printf("%s %.2f\n", argv[i], ms);
        std::fflush(stdout);
    }
    XCloseDisplay(display);
    return 0;
}

// A second X client for the hot key tests: it holds Ctrl+Alt+C the way
// another program would, or checks whether the key is free.
//
//   keygrabber hold plain|caps|num|both...  grab with those lock combinations,
//                                          print "held" or "refused", keep the
//                                          grab until standard input closes
//   keygrabber probe                       print "free" when all four
//                                          combinations can be grabbed, else
//                                          "taken" and the ones that cannot

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

bool accessRefused = false;

int onError(Display *, XErrorEvent *error)
{
    if (error->error_code == BadAccess)
        accessRefused = true;
    return 0;
}

struct Combination
{
    const char *name;
    unsigned int mask;
};

const Combination combinations[] = {
    {"plain", 0},
    {"caps", LockMask},
    {"num", Mod2Mask},
    {"both", LockMask | Mod2Mask},
};

bool grab(Display *display, KeyCode key, unsigned int lockMask)
{
    accessRefused = false;
    XGrabKey(display, key, ControlMask | Mod1Mask | lockMask, DefaultRootWindow(display), False, GrabModeAsync,
             GrabModeAsync);
    XSync(display, False);
    return !accessRefused;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return 3;
    XSetErrorHandler(onError);
    const KeyCode key = XKeysymToKeycode(display, XK_c);
    const std::string mode = argv[1];

    if (mode == "probe") {
        std::string taken;
        for (const Combination &c : combinations) {
            if (!grab(display, key, c.mask))
                taken += std::string(" ") + c.name;
        }
        std::printf("%s\n", taken.empty() ? "free" : ("taken" + taken).c_str());
        XCloseDisplay(display);
        return 0;
    }

    if (mode == "hold") {
        bool all = true;
        for (int i = 2; i < argc; ++i) {
            for (const Combination &c : combinations) {
                if (std::strcmp(argv[i], c.name) == 0)
                    all = grab(display, key, c.mask) && all;
            }
        }
        std::printf("%s\n", all ? "held" : "refused");
        std::fflush(stdout);
        char buffer[64];
        while (read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
        }
        XCloseDisplay(display);
        return 0;
    }
    return 2;
}

// A small X client for the real-program checks, independent of Qt:
//   x11probe shape WINDOW      prints the window's bounding shape as the X
//                              server holds it, one "left top right bottom"
//                              line per rectangle (right, bottom exclusive)
//   x11probe catcher X Y W H   maps a plain window there, below every other,
//                              and prints "press X Y" (root coordinates) for
//                              each button press it receives, until killed
//   x11probe pixel X Y         prints the screen's colour there as "R G B"
//   x11probe owner SELECTION   prints the window that owns the selection, or
//                              "none"
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char **argv)
{
    Display *dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "cannot open the display\n");
        return 2;
    }
    const Window root = DefaultRootWindow(dpy);
    if (argc == 3 && std::strcmp(argv[1], "shape") == 0) {
        int eventBase = 0, errorBase = 0;
        if (!XShapeQueryExtension(dpy, &eventBase, &errorBase)) {
            std::fprintf(stderr, "no shape extension\n");
            return 2;
        }
        const Window w = Window(std::strtoul(argv[2], nullptr, 0));
        int count = 0, ordering = 0;
        XRectangle *rects = XShapeGetRectangles(dpy, w, ShapeBounding, &count, &ordering);
        for (int i = 0; i < count; ++i)
            std::printf("%d %d %d %d\n", rects[i].x, rects[i].y, rects[i].x + rects[i].width,
                        rects[i].y + rects[i].height);
        if (rects)
            XFree(rects);
        return 0;
    }
    if (argc == 6 && std::strcmp(argv[1], "catcher") == 0) {
        XSetWindowAttributes attrs;
        attrs.override_redirect = True;
        attrs.background_pixel = WhitePixel(dpy, DefaultScreen(dpy));
        attrs.event_mask = ButtonPressMask;
        const Window w = XCreateWindow(dpy, root, std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                                       std::atoi(argv[5]), 0, CopyFromParent, InputOutput, CopyFromParent,
                                       CWOverrideRedirect | CWBackPixel | CWEventMask, &attrs);
        XMapWindow(dpy, w);
        XLowerWindow(dpy, w);
        XSync(dpy, False);
        std::printf("ready\n");
        std::fflush(stdout);
        for (;;) {
            XEvent ev;
            XNextEvent(dpy, &ev);
            if (ev.type == ButtonPress) {
                std::printf("press %d %d\n", ev.xbutton.x_root, ev.xbutton.y_root);
                std::fflush(stdout);
            }
        }
    }
    if (argc == 4 && std::strcmp(argv[1], "pixel") == 0) {
        XImage *img = XGetImage(dpy, root, std::atoi(argv[2]), std::atoi(argv[3]), 1, 1, AllPlanes, ZPixmap);
        if (!img)
            return 2;
        const unsigned long p = XGetPixel(img, 0, 0);
        std::printf("%lu %lu %lu\n", (p & img->red_mask) >> __builtin_ctzl(img->red_mask),
                    (p & img->green_mask) >> __builtin_ctzl(img->green_mask),
                    (p & img->blue_mask) >> __builtin_ctzl(img->blue_mask));
        XDestroyImage(img);
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "owner") == 0) {
        const Window owner = XGetSelectionOwner(dpy, XInternAtom(dpy, argv[2], False));
        if (owner == None)
            std::printf("none\n");
        else
            std::printf("0x%lx\n", owner);
        return 0;
    }
    std::fprintf(stderr, "usage: x11probe shape WINDOW | catcher X Y W H | pixel X Y | owner SELECTION\n");
    return 2;
}

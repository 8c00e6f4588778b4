#include "FirstFrame.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <X11/extensions/shape.h>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

extern char **environ;

namespace bench {

namespace {

// The program may end, taking its windows, while requests about them are on
// their way: such errors are expected and must not end the timer.
int ignoreErrors(Display *, XErrorEvent *)
{
    return 0;
}

double nowMs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Reads one "Name:  123 kB" line of a /proc file, in MiB; 0 when missing.
double procKiB(const std::string &file, const std::string &name)
{
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, name.size() + 1, name + ":") == 0) {
            std::istringstream fields(line.substr(name.size() + 1));
            double kib = 0;
            fields >> kib;
            return kib / 1024.0;
        }
    return 0;
}

// The window's pixels that must be drawn (1) and those drawn so far (2).
struct Window
{
    int w = 0, h = 0;
    bool mapped = false;
    bool shapeRead = false;
    Damage damage = 0;
    std::vector<unsigned char> cells;
    long needed = 0, covered = 0;

    void readShape(Display *dpy, ::Window id)
    {
        shapeRead = true;
        cells.assign(size_t(w) * h, 0);
        int count = 0, ordering = 0;
        XRectangle *rects = XShapeGetRectangles(dpy, id, ShapeBounding, &count, &ordering);
        for (int i = 0; i < count; ++i)
            mark(rects[i].x, rects[i].y, rects[i].width, rects[i].height, 0, 1);
        if (rects)
            XFree(rects);
        needed = 0;
        for (unsigned char c : cells)
            needed += c == 1;
    }

    // Sets cells holding from to to; returns how many changed.
    long mark(int x, int y, int rw, int rh, unsigned char from, unsigned char to)
    {
        long n = 0;
        for (int yy = std::max(0, y); yy < std::min(h, y + rh); ++yy)
            for (int xx = std::max(0, x); xx < std::min(w, x + rw); ++xx) {
                unsigned char &c = cells[size_t(yy) * w + xx];
                if (c == from) {
                    c = to;
                    ++n;
                }
            }
        return n;
    }
};

void writeSnapshot(Display *dpy, ::Window id, int w, int h, const std::string &path)
{
    XImage *img = XGetImage(dpy, id, 0, 0, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
    if (!img)
        return;
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << w << " " << h << "\n255\n";
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned long p = XGetPixel(img, x, y);
            const char rgb[3] = {char((p & img->red_mask) >> __builtin_ctzl(img->red_mask)),
                                 char((p & img->green_mask) >> __builtin_ctzl(img->green_mask)),
                                 char((p & img->blue_mask) >> __builtin_ctzl(img->blue_mask))};
            out.write(rgb, 3);
        }
    XDestroyImage(img);
}

} // namespace

FirstFrameTimes timeFirstFrame(const std::string &program, const std::string &snapshotPath, int timeoutMs)
{
    FirstFrameTimes out;
    // A virtual server just started may not answer at once.
    Display *dpy = nullptr;
    for (int i = 0; i < 50 && !(dpy = XOpenDisplay(nullptr)); ++i)
        usleep(100000);
    if (!dpy) {
        out.error = "cannot open the display";
        return out;
    }
    int damageEvent = 0, damageError = 0;
    if (!XDamageQueryExtension(dpy, &damageEvent, &damageError)) {
        out.error = "the X server has no damage extension";
        XCloseDisplay(dpy);
        return out;
    }
    XSetErrorHandler(ignoreErrors);
    const ::Window root = DefaultRootWindow(dpy);
    XSelectInput(dpy, root, SubstructureNotifyMask);
    XSync(dpy, True); // nothing from before the start counts

    pid_t pid = 0;
    char *argv[] = {const_cast<char *>(program.c_str()), nullptr};
    const double start = nowMs();
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) {
        out.error = "cannot start " + program;
        XCloseDisplay(dpy);
        return out;
    }

    std::map<::Window, Window> windows;
    bool firstSeen = false;
    pollfd pfd{ConnectionNumber(dpy), POLLIN, 0};
    while (!out.ok) {
        while (XPending(dpy) && !out.ok) {
            XEvent ev;
            XNextEvent(dpy, &ev);
            const double t = nowMs();
            if (ev.type == CreateNotify && ev.xcreatewindow.parent == root) {
                Window &w = windows[ev.xcreatewindow.window];
                w.w = ev.xcreatewindow.width;
                w.h = ev.xcreatewindow.height;
                // Created before the window can be mapped, so before any drawing
                // can reach the screen: the requests reach the server in order
                // after the creation it reports.
                w.damage = XDamageCreate(dpy, ev.xcreatewindow.window, XDamageReportRawRectangles);
            } else if (ev.type == ConfigureNotify && windows.count(ev.xconfigure.window)) {
                Window &w = windows[ev.xconfigure.window];
                w.w = ev.xconfigure.width;
                w.h = ev.xconfigure.height;
            } else if (ev.type == MapNotify && windows.count(ev.xmap.window)) {
                windows[ev.xmap.window].mapped = true;
            } else if (ev.type == damageEvent + XDamageNotify) {
                const auto *de = reinterpret_cast<const XDamageNotifyEvent *>(&ev);
                auto it = windows.find(de->drawable);
                if (it == windows.end() || !it->second.mapped || it->second.w < 100 || it->second.h < 100)
                    continue;
                Window &w = it->second;
                if (!w.shapeRead)
                    w.readShape(dpy, de->drawable);
                w.covered += w.mark(de->area.x, de->area.y, de->area.width, de->area.height, 1, 2);
                if (!firstSeen) {
                    firstSeen = true;
                    out.firstDamageMs = t - start;
                }
                // The rectangles of one flush arrive within a moment.
                if (t - start - out.firstDamageMs <= 1.0 && w.needed > 0)
                    out.firstDamageCoverage = double(w.covered) / w.needed;
                if (w.needed > 0 && w.covered == w.needed) {
                    out.ok = true;
                    out.wholeFrameMs = t - start;
                    out.width = w.w;
                    out.height = w.h;
                    if (!snapshotPath.empty())
                        writeSnapshot(dpy, de->drawable, w.w, w.h, snapshotPath);
                    const std::string proc = "/proc/" + std::to_string(pid);
                    out.rssMiB = procKiB(proc + "/status", "VmRSS");
                    out.pssMiB = procKiB(proc + "/smaps_rollup", "Pss");
                }
            }
        }
        if (out.ok)
            break;
        const double left = timeoutMs - (nowMs() - start);
        if (left <= 0) {
            out.error = program + " drew no whole window in time";
            break;
        }
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            pid = 0;
            out.error = program + " ended before its whole window was drawn";
            break;
        }
        poll(&pfd, 1, int(std::min(left, 50.0)));
    }
    if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    for (auto &[id, w] : windows)
        if (w.damage)
            XDamageDestroy(dpy, w.damage);
    XSync(dpy, False);
    XCloseDisplay(dpy);
    return out;
}

} // namespace bench

// bench_firstframe RRGGBB X,Y [X,Y ...] -- COMMAND [ARG...]
// Starts COMMAND and polls the X screen ($DISPLAY) until every given pixel of the root window shows
// the colour RRGGBB; prints the milliseconds from just before the start to that frame, then
// terminates COMMAND. Exit code 1 when the frame does not appear within 20 s.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

static double nowMs()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

int main(int argc, char *argv[])
{
    int split = 1;
    while (split < argc && strcmp(argv[split], "--") != 0)
        ++split;
    if (split < 3 || split + 1 >= argc) {
        fprintf(stderr, "usage: bench_firstframe RRGGBB X,Y [X,Y ...] -- COMMAND [ARG...]\n");
        return 2;
    }
    const unsigned long colour = strtoul(argv[1], nullptr, 16);
    std::vector<std::pair<int, int>> points;
    for (int i = 2; i < split; ++i) {
        int x, y;
        if (sscanf(argv[i], "%d,%d", &x, &y) != 2)
            return 2;
        points.emplace_back(x, y);
    }

    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        fprintf(stderr, "bench_firstframe: cannot open display\n");
        return 2;
    }
    const Window root = DefaultRootWindow(display);

    const double start = nowMs();
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[split + 1], argv + split + 1);
        _exit(127);
    }

    int result = 1;
    while (nowMs() - start < 20000) {
        bool all = true;
        for (const auto &p : points) {
            XImage *image = XGetImage(display, root, p.first, p.second, 1, 1, AllPlanes, ZPixmap);
            const unsigned long pixel = image ? (XGetPixel(image, 0, 0) & 0xffffff) : 0;
            if (image)
                XDestroyImage(image);
            if (pixel != colour) {
                all = false;
                break;
            }
        }
        if (all) {
            printf("%.1f\n", nowMs() - start);
            result = 0;
            break;
        }
        if (waitpid(child, nullptr, WNOHANG) == child) {
            fprintf(stderr, "bench_firstframe: the command ended before the frame\n");
            return 1;
        }
    }
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    XCloseDisplay(display);
    return result;
}

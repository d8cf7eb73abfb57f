// Start-up of the program until its main window shows: the time from exec to the first painted pixels of
// the main window, with a log of --contacts=N contacts (1,000,000 unless told) in the work folder.
//
// Run it under an X server of its own: xvfb-run -a build/bench/bin/bench_startup [--contacts=N] [--runs=N]
// --program=startup_floor measures the floor instead: a bare Qt Widgets window of the same build;
// --program=PATH (a name with a slash) measures another build of the program, an older one say.
//
// The watcher starts the built program (bin/vantrel beside this one) with a work folder holding the log,
// the shipped config.db and a settings file, and follows the X server: the program's top-level window is
// known by its _NET_WM_PID when it is mapped; from then on a strip of the window (where the menu bar lies)
// is read back until it holds the pixels of painted text (more than a few distinct colours; an unpainted
// window is one colour, or the root's two-colour pattern). The program is then killed and the next run
// starts. Printed per run and as medians: wall time exec -> mapped, exec -> painted, and the processor time
// the program had used when it was painted (all its threads, from /proc). Target: under 60 ms exec ->
// painted on an idle two-core machine.

#include "BenchSupport.h"
#include "LogFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <poll.h>
#include <set>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

double NowMs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// The processor time a process has used, all its threads, in milliseconds (the scheduler's nanosecond
// figure where the kernel gives it, else the clock ticks of /proc/PID/stat).
double ProcessCpuMs(pid_t pid)
{
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    double ns = 0;
    bool found = false;
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile f(tasks.filePath(task + QStringLiteral("/schedstat")));
        if (f.open(QIODevice::ReadOnly)) {
            ns += f.readAll().split(' ').value(0).toDouble();
            found = true;
        }
    }
    if (found) {
        return ns / 1e6;
    }
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    const double ticks = fields.value(11).toDouble() + fields.value(12).toDouble();
    return ticks * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

long WindowPid(Display* display, Window window)
{
    static const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after,
                           &data) == Success &&
        data) {
        if (items == 1 && format == 32) {
            pid = *reinterpret_cast<long*>(data);
        }
        XFree(data);
    }
    return pid;
}

// True when the strip of the window holds painted text: more distinct colours than a fill or a pattern.
bool Painted(Display* display, Window window)
{
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable) {
        return false;
    }
    const int width = std::min(attributes.width, 400);
    const int height = std::min(attributes.height, 60);
    XImage* image = XGetImage(display, window, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
    if (!image) {
        return false;
    }
    std::set<unsigned long> colours;
    for (int y = 0; y < height && colours.size() <= 4; ++y) {
        for (int x = 0; x < width && colours.size() <= 4; ++x) {
            colours.insert(XGetPixel(image, x, y));
        }
    }
    XDestroyImage(image);
    return colours.size() > 4;
}

int IgnoreErrors(Display*, XErrorEvent*)
{
    // A window may go between its event and the request about it.
    return 0;
}

struct TRun
{
    double mappedMs = -1;
    double paintedMs = -1;
    double cpuMs = -1;
};

TRun OneStart(Display* display, const QByteArray& program, const QByteArray& work)
{
    TRun run;
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, True);
    const double start = NowMs();
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("VANTREL_HOME", work.constData(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        execl(program.constData(), program.constData(), static_cast<char*>(nullptr));
        _exit(127);
    }
    Window window = 0;
    const int fd = ConnectionNumber(display);
    while (NowMs() - start < 30000) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && !window && !event.xmap.override_redirect &&
                WindowPid(display, event.xmap.window) == pid) {
                window = event.xmap.window;
                run.mappedMs = NowMs() - start;
            }
        }
        if (window && Painted(display, window)) {
            run.paintedMs = NowMs() - start;
            run.cpuMs = ProcessCpuMs(pid);
            break;
        }
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            std::fprintf(stderr, "the program ended before its window was painted (status %d)\n", status);
            return run;
        }
        pollfd p{fd, POLLIN, 0};
        poll(&p, 1, window ? 0 : 1);
        if (window) {
            usleep(500);
        }
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return run;
}

struct TOptions
{
    int runs = 10;
    QByteArray program = "vantrel";
};

TOptions TakeOptions(int& argc, char** argv)
{
    TOptions options;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--runs=", 7) == 0) {
            options.runs = std::max(1, std::atoi(argv[i] + 7));
        } else if (std::strncmp(argv[i], "--program=", 10) == 0) {
            options.program = argv[i] + 10;
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    return options;
}

} // namespace

int main(int argc, char** argv)
{
    const int contacts = BenchSupport::TakeContactsArgument(argc, argv, 1000000);
    const TOptions options = TakeOptions(argc, argv);
    const int runs = options.runs;
    QCoreApplication app(argc, argv);
    // A name is a program built beside this one; a path names any build (an older one, to compare).
    const QString named = QString::fromLocal8Bit(options.program);
    const QString program = named.contains(QLatin1Char('/'))
                                ? QFileInfo(named).absoluteFilePath()
                                : QCoreApplication::applicationDirPath() + QLatin1Char('/') + named;
    if (!QFile::exists(program)) {
        std::fprintf(stderr, "%s is not built\n", qPrintable(program));
        return 1;
    }
    QTemporaryDir dir;
    const QString work = dir.path() + QStringLiteral("/work/");
    BenchSupport::MakeWorkFolder(work, LogFixture::Logs(contacts), "Left=0\nTop=0\n");

    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no X display: run it under xvfb-run -a\n");
        return 1;
    }
    XSetErrorHandler(IgnoreErrors);
    std::vector<double> mapped;
    std::vector<double> painted;
    std::vector<double> cpu;
    for (int i = 0; i < runs; ++i) {
        const TRun run = OneStart(display, QFile::encodeName(program), QFile::encodeName(work));
        if (run.paintedMs < 0) {
            std::fprintf(stderr, "run %d: no painted window\n", i + 1);
            return 1;
        }
        std::printf("run %2d: mapped %.1f ms, painted %.1f ms, program CPU %.1f ms\n", i + 1, run.mappedMs,
                    run.paintedMs, run.cpuMs);
        mapped.push_back(run.mappedMs);
        painted.push_back(run.paintedMs);
        cpu.push_back(run.cpuMs);
    }
    XCloseDisplay(display);
    std::printf("Start-up of %s with a log of %d contacts, median of %d: exec -> mapped %.1f ms, exec -> "
                "painted %.1f ms (wall), program CPU until painted %.1f ms\n",
                options.program.constData(), contacts, runs, Median(mapped), Median(painted), Median(cpu));
    QFile load(QStringLiteral("/proc/loadavg"));
    if (load.open(QIODevice::ReadOnly)) {
        std::printf("Load average: %s", load.readAll().constData());
    }
    return 0;
}

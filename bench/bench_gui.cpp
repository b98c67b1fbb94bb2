// bench_gui: figures of the desktop application, each against a baseline measured in the
// same run where it has one. Prints "name: value unit" and "name_ratio: value" lines.
//
// The application runs as its own process, offscreen, from a temporary application directory
// holding a copy of the executable, the skin and a setup.ini. The baseline is this program
// run again with --baseline-child W H: a minimal Qt dialog with a tab control and four pages,
// of the main window's size and in the main window's dialog font (the CJK face that Chinese
// texts need), so that the ratios show what the application adds, not the price of the
// window area or of CJK glyphs. The floor is this program run with --floor-child W H: the
// main window's whole widget tree in plain Qt (bench/floorwindow.h), no skin, settings file or
// link, so startup_floor_ratio shows what the application adds to the widgets it needs. All
// report their first painted window through the same probe; runs are interleaved and the
// medians compared.
//
// A new figure is one function taking the Bench context, listed in kFigures.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/firstpaintprobe.h"
#include "appearance/dlgfont.h"
#include "floorwindow.h"
#include "guifigures.h"
#include "res/dlgtemplate.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// A start takes 20-40 ms on a shared machine, and single starts vary by a third: 41 rounds
// keep the ratio of the medians within a few hundredths from run to run (21 did not).
constexpr int kRounds = 41;
constexpr auto kLineTimeout = std::chrono::seconds(20);
constexpr int kIdleSeconds = 20;

void Print(const char* name, double value, const char* unit) {
    if (unit != nullptr && *unit != '\0') {
        std::printf("%s: %.2f %s\n", name, value, unit);
    } else {
        std::printf("%s: %.3f\n", name, value);
    }
    std::fflush(stdout);
}

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 != 0 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

std::string SelfPath() {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string();
}

std::string DirOf(const std::string& path) {
    const std::size_t cut = path.rfind('/');
    return cut == std::string::npos ? std::string(".") : path.substr(0, cut);
}

// A child process with its standard output on a pipe.
class Child {
public:
    Child(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        std::vector<char*> args;
        for (const auto& a : argv) {
            args.push_back(const_cast<char*>(a.c_str()));
        }
        args.push_back(nullptr);
        std::vector<std::string> fullEnv(env);
        for (char** e = environ; *e != nullptr; ++e) {
            fullEnv.emplace_back(*e);  // later entries lose to the ones given
        }
        std::vector<char*> envp;
        for (const auto& e : fullEnv) {
            envp.push_back(const_cast<char*>(e.c_str()));
        }
        envp.push_back(nullptr);
        start = Clock::now();
        if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data()) != 0) {
            pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        fd = out[0];
    }
    ~Child() {
        if (pid > 0) {
            Stop();
        }
        if (fd >= 0) {
            ::close(fd);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool Running() const { return pid > 0; }

    // The next line of standard output, or nothing at the time-out or end of output.
    std::optional<std::string> ReadLine(Clock::duration timeout) {
        const auto deadline = Clock::now() + timeout;
        while (true) {
            const std::size_t nl = buffer.find('\n');
            if (nl != std::string::npos) {
                std::string line = buffer.substr(0, nl);
                buffer.erase(0, nl + 1);
                return line;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) {
                return std::nullopt;
            }
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
                continue;
            }
            char chunk[512];
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n <= 0) {
                return std::nullopt;
            }
            buffer.append(chunk, static_cast<std::size_t>(n));
        }
    }

    // Waits for the end of the process; its peak resident set in KiB.
    long Wait() {
        int status = 0;
        rusage usage{};
        ::wait4(pid, &status, 0, &usage);
        pid = -1;
        return usage.ru_maxrss;
    }

    long Stop() {
        ::kill(pid, SIGTERM);
        return Wait();
    }

    // User plus system CPU time so far, in seconds.
    double CpuSeconds() const {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), {});
        const std::size_t close = text.rfind(')');
        if (close == std::string::npos) {
            return 0;
        }
        std::istringstream fields(text.substr(close + 2));
        std::string field;
        unsigned long long utime = 0;
        unsigned long long stime = 0;
        // Fields after the name: state is field 3; utime and stime are fields 14 and 15.
        for (int i = 3; i <= 15 && fields >> field; ++i) {
            if (i == 14) {
                utime = std::stoull(field);
            } else if (i == 15) {
                stime = std::stoull(field);
            }
        }
        return static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
    }

    pid_t pid = -1;
    int fd = -1;
    Clock::time_point start;
    std::string buffer;
};

// What every figure may use: the programs, and a fresh application directory on request.
struct Bench {
    std::string self = SelfPath();
    std::string buildDir = DirOf(DirOf(self));
    std::string vantel = buildDir + "/src/app/vantel";
    std::string skin = buildDir + "/src/app/Style.dll";
    std::string sim = buildDir + "/tools/vantel-sim/vantel-sim";

    // A temporary application directory with the executable, the skin (or an empty skin
    // file: the platform look) and this setup.ini.
    std::unique_ptr<QTemporaryDir> AppDir(const QByteArray& ini, bool skinned = true) const {
        auto dir = std::make_unique<QTemporaryDir>();
        const QString path = dir->path();
        QFile::copy(QString::fromStdString(vantel), path + "/vantel");
        if (skinned) {
            QFile::copy(QString::fromStdString(skin), path + "/Style.dll");
        } else {
            WriteFile(path + "/Style.dll", {});
        }
        WriteFile(path + "/setup.ini", ini);
        return dir;
    }

    static void WriteFile(const QString& path, const QByteArray& content) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(content);
        }
    }
};

struct StartRun {
    double ms = 0;
    long rssKib = 0;
    bool ok = false;
    std::string size;  // "WxH" of the painted window
};

// Starts a program that prints "first-paint" once its window is painted and then quits.
StartRun TimeToFirstPaint(const std::vector<std::string>& argv) {
    Child child(argv, {"QT_QPA_PLATFORM=offscreen", "VANTEL_BENCH_FIRST_PAINT=quit"});
    StartRun run;
    if (!child.Running()) {
        return run;
    }
    const auto line = child.ReadLine(kLineTimeout);
    const auto end = Clock::now();
    const std::string prefix = "first-paint ";
    run.ok = line && line->rfind(prefix, 0) == 0;
    if (run.ok) {
        run.size = line->substr(prefix.size());
    }
    run.ms = std::chrono::duration<double, std::milli>(end - child.start).count();
    run.rssKib = run.ok ? child.Wait() : child.Stop();
    return run;
}

// startup_ratio and rss_ratio: the application against the minimal dialog. The application
// with an empty skin file and the floor window run in the same rounds:
// startup_unskinned_ratio shows what the skin costs, startup_floor_ratio what the application
// adds to its plain widget tree.
void StartupAndMemory(const Bench& bench) {
    // No port to open: the start is measured without a connection attempt.
    const QByteArray ini = "[setup]\nmode=0\nserial=0\n";
    const auto dir = bench.AppDir(ini);
    const auto plainDir = bench.AppDir(ini, false);
    const std::string app = dir->path().toStdString() + "/vantel";
    const std::string plainApp = plainDir->path().toStdString() + "/vantel";
    std::vector<double> appMs, plainMs, baseMs, floorMs, appRss, baseRss;
    for (int round = 0; round < kRounds; ++round) {
        const StartRun a = TimeToFirstPaint({app});
        const StartRun p = TimeToFirstPaint({plainApp});
        if (!a.ok || !p.ok) {
            std::fprintf(stderr, "bench_gui: vantel did not report its first paint\n");
            return;
        }
        const std::size_t x = a.size.find('x');
        const std::string width = a.size.substr(0, x);
        const std::string height = a.size.substr(x + 1);
        const StartRun b = TimeToFirstPaint({bench.self, "--baseline-child", width, height});
        const StartRun f = TimeToFirstPaint({bench.self, "--floor-child", width, height});
        if (!b.ok || !f.ok) {
            std::fprintf(stderr, "bench_gui: a baseline did not report its first paint\n");
            return;
        }
        appMs.push_back(a.ms);
        plainMs.push_back(p.ms);
        baseMs.push_back(b.ms);
        floorMs.push_back(f.ms);
        appRss.push_back(static_cast<double>(a.rssKib));
        baseRss.push_back(static_cast<double>(b.rssKib));
    }
    Print("startup_ms", Median(appMs), "ms");
    Print("baseline_startup_ms", Median(baseMs), "ms");
    Print("startup_ratio", Median(appMs) / Median(baseMs), "");
    Print("startup_floor_ms", Median(floorMs), "ms");
    Print("startup_floor_ratio", Median(appMs) / Median(floorMs), "");
    Print("startup_unskinned_ms", Median(plainMs), "ms");
    Print("startup_unskinned_ratio", Median(plainMs) / Median(baseMs), "");
    Print("peak_rss_kib", Median(appRss), "KiB");
    Print("baseline_peak_rss_kib", Median(baseRss), "KiB");
    Print("rss_ratio", Median(appRss) / Median(baseRss), "");
}

// idle_cpu_percent: connected to the simulator over loopback, nothing changing.
void IdleCpu(const Bench& bench) {
    Child sim({bench.sim, "--listen", "127.0.0.1:0"}, {});
    const auto listening = sim.ReadLine(kLineTimeout);
    const std::string prefix = "listening on 127.0.0.1:";
    if (!listening || listening->rfind(prefix, 0) != 0) {
        std::fprintf(stderr, "bench_gui: vantel-sim did not start (%s)\n", bench.sim.c_str());
        return;
    }
    const std::string port = listening->substr(prefix.size());
    const auto dir = bench.AppDir(
        QByteArray::fromStdString("[setup]\nmode=1\nip=127.0.0.1\nport=" + port + "\n"));
    Child app({dir->path().toStdString() + "/vantel"},
              {"QT_QPA_PLATFORM=offscreen", "VANTEL_BENCH_FIRST_PAINT=1"});
    if (!app.ReadLine(kLineTimeout)) {
        std::fprintf(stderr, "bench_gui: vantel did not come up\n");
        return;
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const double before = app.CpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(kIdleSeconds));
    const double used = app.CpuSeconds() - before;
    Print("idle_cpu_percent", used / kIdleSeconds * 100.0, "%");
}

struct Figure {
    const char* name;
    std::function<void(const Bench&)> measure;
};

const Figure kFigures[] = {
    {"startup", StartupAndMemory},
    {"idle_cpu", IdleCpu},
};

// The baseline: a minimal dialog with a tab control and four pages.
void BuildBaselineWindow(QDialog& dialog, int width, int height) {
    if (const DlgTemplate* main = FindDlgTemplate(IDD_VANTEL_DIALOG)) {
        dialog.setFont(vantel::DialogFont(main->fontFace, main->fontPoints));
    }
    dialog.setWindowTitle(QStringLiteral("Baseline"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* tabs = new QTabWidget(&dialog);
    for (const char* name : {"LOAD", "SWITCH", "SAVE / VIEW", "SET"}) {
        auto* page = new QWidget;
        new QLabel(QString::fromUtf8(name), page);
        tabs->addTab(page, QString::fromUtf8(name));
    }
    layout->addWidget(tabs);
    dialog.resize(width > 0 ? width : 640, height > 0 ? height : 480);
}

// A comparison window (--baseline-child or --floor-child), argv[2] x argv[3] pixels, shown
// until its first paint is reported.
int ComparisonChild(int argc, char** argv, void (*build)(QDialog&, int, int)) {
    const int width = argc > 3 ? std::atoi(argv[2]) : 0;
    const int height = argc > 3 ? std::atoi(argv[3]) : 0;
    QApplication app(argc, argv);
    QDialog dialog;
    build(dialog, width, height);
    vantel::FirstPaintProbe::InstallIfRequested(&dialog);
    dialog.show();
    return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--baseline-child") == 0) {
        return ComparisonChild(argc, argv, BuildBaselineWindow);
    }
    if (argc > 1 && std::strcmp(argv[1], "--floor-child") == 0) {
        return ComparisonChild(argc, argv, BuildFloorWindow);
    }
    // Only named figures when some are given: bench_gui startup idle_cpu
    for (const Figure& figure : kFigures) {
        const bool wanted = argc < 2 || std::any_of(argv + 1, argv + argc, [&](const char* a) {
                                return std::strcmp(a, figure.name) == 0;
                            });
        if (wanted) {
            figure.measure(Bench{});
        }
    }
    // The pages' figures (bench/gui/*.cpp), in this process on the offscreen platform.
    if (argc < 2 || std::any_of(argv + 1, argv + argc,
                                [](const char* a) { return std::strcmp(a, "pages") == 0; })) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        RunGuiFigures();
    }
    return 0;
}

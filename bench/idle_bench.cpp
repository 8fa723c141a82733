// What the desktop program costs while nothing happens: the CPU time of the
// real program while its storage-select dialog waits (and while its main
// window is open on a folder), on a private Xvfb server, and the time from
// its start to the dialog on the screen. A desktop program waiting for the
// user must leave the cores to everything else: at most 2 % of one.
//
// Usage: bench_idle [FOLDER]   (scratch space; needs Xvfb and xdotool)
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "bench_util.h"
#include "support/card.h"
#include "support/test_util.h"

namespace {

constexpr double kIdleSeconds = 10.0;
constexpr double kIdleLimitPercent = 2.0;

pid_t start(const std::vector<std::string> &args) { return testStartProgram(args, ""); }

void stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    testWaitProgram(pid, 5);
}

// Starts Xvfb on a free display and sets DISPLAY; returns its process once
// the server takes clients.
pid_t startServer() {
    for (int n = 140; n < 240; n++) {
        if (access(("/tmp/.X" + std::to_string(n) + "-lock").c_str(), F_OK) == 0) continue;
        std::string display = ":" + std::to_string(n);
        pid_t pid = start({"Xvfb", display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"});
        setenv("DISPLAY", display.c_str(), 1);
        for (int i = 0; i < 100; i++) {
            if (testRunProgram({"xdotool", "getmouselocation"}) == 0) return pid;
            if (waitpid(pid, nullptr, WNOHANG) == pid) break;  // that display was taken after all
            usleep(50000);
        }
        stop(pid);
    }
    return -1;
}

bool windowShown(const char *title) {
    std::string out;
    testRunProgramOutput({"xdotool", "search", "--onlyvisible", "--name", title}, &out);
    return !out.empty();
}

// CPU seconds the process has used so far.
double cpuSeconds(pid_t pid) {
    FILE *f = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
    if (!f) return -1;
    char line[1024];
    bool ok = std::fgets(line, sizeof line, f) != nullptr;
    std::fclose(f);
    if (!ok) return -1;
    // Fields after the command name (which may hold spaces): state is field 3.
    const char *p = std::strrchr(line, ')');
    unsigned long utime = 0, stime = 0;
    if (!p || std::sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime, &stime) != 2) return -1;
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Runs the program with `args` until window `title` shows, then measures its
// idle CPU. Returns the share of one core in percent (negative on failure)
// and the seconds it took to show the window in `*startUp`.
double measure(const std::vector<std::string> &args, const char *title, double *startUp) {
    double t0 = benchNow();
    pid_t pid = start(args);
    if (pid < 0) return -1;
    bool shown = false;
    while (!shown && benchNow() - t0 < 30) shown = windowShown(title);
    *startUp = benchNow() - t0;
    double percent = -1;
    if (shown) {
        usleep(1000000);  // what follows the first frame settles
        double c0 = cpuSeconds(pid), w0 = benchNow();
        usleep(static_cast<useconds_t>(kIdleSeconds * 1e6));
        double c1 = cpuSeconds(pid), w1 = benchNow();
        if (c0 >= 0 && c1 >= 0) percent = 100.0 * (c1 - c0) / (w1 - w0);
    }
    stop(pid);
    return percent;
}

}  // namespace

int main(int argc, char **argv) {
    std::string dir = benchMakeDir(argc > 1 ? argv[1] : nullptr, "idle");
    std::string program = dir + "/bin/kvb-rt-wave-manager";
    std::string built = std::string(KVB_BUILD_ROOT) + "/share/kvb-rt-wave-manager/language";
    if (!testMakeDirs(dir + "/bin") || !testMakeDirs(dir + "/share/kvb-rt-wave-manager") ||
        !testWriteFile(program, testReadFile(std::string(KVB_BUILD_ROOT) + "/bin/kvb-rt-wave-manager")) ||
        chmod(program.c_str(), 0755) != 0 || !testDataFolder(dir + "/share/kvb-rt-wave-manager", false, {"en"}, built) ||
        // The main window draws with every picture of the real pack.
        !testMakeDirs(dir + "/share/kvb-rt-wave-manager/resource") ||
        !testWriteFile(dir + "/share/kvb-rt-wave-manager/resource/pack.bin",
                       testReadFile(std::string(KVB_BUILD_ROOT) + "/share/kvb-rt-wave-manager/resource/pack.bin"))) {
        std::fprintf(stderr, "bench_idle: cannot install the program into %s\n", dir.c_str());
        return 1;
    }
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    setenv("LANGUAGE", "en", 1);
    pid_t server = startServer();
    if (server < 0) {
        std::fprintf(stderr, "bench_idle: Xvfb does not start\n");
        return 1;
    }
    double startUp = 0, unused = 0;
    double dialog = measure({program}, "Choose the Card", &startUp);
    std::string card = dir + "/card";
    testRunProgram({std::string(KVB_BUILD_ROOT) + "/bin/kvbrt", "demo", card});
    double window = measure({program, card}, "KVB-RT Wave Manager", &unused);
    stop(server);
    benchRemoveTree(dir);
    if (dialog < 0 || window < 0) {
        std::fprintf(stderr, "bench_idle: the program did not show its window\n");
        return 1;
    }
    benchReportValue("idle CPU, storage dialog waiting (% of one core)", dialog, "%", kIdleLimitPercent);
    benchReportValue("idle CPU, main window on the demo card (% of one core)", window, "%", kIdleLimitPercent);
    benchReportValue("start-up to the storage dialog", startUp, "s", 0);
    return 0;
}

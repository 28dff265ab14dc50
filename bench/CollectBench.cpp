// `tginfo --collect` of the default list, the real program started as a fleet's agent starts it,
// with commands that answer at once: a copy of the program whose stand-in folder holds the test
// fixture under each command's name. Its time, start-up included, against the floor of starting
// the fixture once per command of the list. Prints the machine's load beside the figures.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Run {
    double wallMs = 0;
    double cpuMs = 0; // user and system time of the process and of the children it waited for
};

Run runOnce(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    // No display: the collector must not need one.
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string entry(*e);
        if (entry.rfind("DISPLAY=", 0) != 0 && entry.rfind("QT_QPA_PLATFORM=", 0) != 0 &&
            entry.rfind("WAYLAND_DISPLAY=", 0) != 0)
            env.push_back(entry);
    }
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    // What the commands print is of no interest here.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto start = Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        std::perror(argv[0]);
        std::exit(1);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double wall = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s ended with status %d\n", argv[0], status);
        std::exit(1);
    }
    auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return {wall, ms(usage.ru_utime) + ms(usage.ru_stime)};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main() {
    const fs::path work =
        fs::temp_directory_path() / ("tginfo-collect-bench-" + std::to_string(getpid()));
    fs::create_directories(work / "netcmd");
    const fs::path program = work / "tginfo";
    fs::copy_file(TG_PROGRAM, program);
    for (const char* command : {"ipconfig", "route", "arp", "netstat"})
        fs::create_symlink(TG_FIXTURE_CHILD, work / "netcmd" / command);

    constexpr int kRounds = 21;
    const std::string out = (work / "collected.txt").string();
    std::vector<double> collectWall, collectCpu, floorWall;
    runOnce({program.string(), "--collect", out}); // the first start reads the files from disk
    for (int i = 0; i < kRounds; ++i) {
        const Run run = runOnce({program.string(), "--collect", out});
        collectWall.push_back(run.wallMs);
        collectCpu.push_back(run.cpuMs);
        double floor = 0;
        for (const char* command : {"ipconfig", "route", "arp", "netstat"})
            floor += runOnce({(work / "netcmd" / command).string(), "x"}).wallMs;
        floorWall.push_back(floor);
    }
    double load[3] = {};
    getloadavg(load, 3);
    const double wall = median(collectWall), floor = median(floorWall);
    std::printf("collect of the default list (winconf + 4 instant commands), median of %d runs:\n"
                "  wall %.1f ms (own and children's CPU %.1f ms); budget 150 ms: %s\n"
                "  floor (the 4 commands started alone) %.1f ms; ratio %.2f\n"
                "  load average %.2f %.2f %.2f on %ld cores\n",
                kRounds, wall, median(collectCpu), wall < 150 ? "met" : "NOT met", floor,
                wall / floor, load[0], load[1], load[2], sysconf(_SC_NPROCESSORS_ONLN));
    fs::remove_all(work);
    return wall < 150 ? 0 : 1;
}

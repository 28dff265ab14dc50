// `tginfo --compare` of two large documents, the real program as a script starts it: two documents
// of about 50 MB each whose lines differ in 1 % (most changed in place, some removed, some added),
// spread over the whole of a netstat view and a route view. Its time and its peak memory, against
// the budgets of 2 s and four times the two files. Prints the machine's load beside the figures.

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
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Run {
    double wallMs = 0;
    double peakMb = 0; // the program's peak resident memory
    int status = -1;
};

Run runOnce(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::perror(argv[0]);
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double wall = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    return {wall, usage.ru_maxrss / 1024.0, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

// The two documents: the same connections and routes, with one line in a hundred different in the
// second (8 changed in place, 1 removed, 1 added in every thousand).
void writeDocuments(const fs::path& oldFile, const fs::path& newFile, std::size_t bytesEach) {
    std::ofstream oldOut(oldFile, std::ios::binary), newOut(newFile, std::ios::binary);
    const auto both = [&](const std::string& line) {
        oldOut << line;
        newOut << line;
    };
    both("TIDEGAUGE-INFO Ver2.0.0\r\n-----\r\n");
    std::size_t written = 0, n = 0;
    char line[160];
    for (const char* label : {"netstat", "route"}) {
        both(std::string(label) + "\r\n");
        for (std::size_t i = 0; written < bytesEach / 2 * (label[0] == 'n' ? 1 : 2); ++i, ++n) {
            const unsigned a = static_cast<unsigned>(n % 250 + 1),
                           b = static_cast<unsigned>(n / 250 % 250);
            const int length =
                label[0] == 'n'
                    ? std::snprintf(
                          line, sizeof line,
                          "  TCP    198.51.100.%u:%zu    203.0.113.%u:443    ESTABLISHED\r\n", a,
                          1024 + n % 60000, b)
                    : std::snprintf(line, sizeof line,
                                    "    203.0.%u.%u  255.255.255.255    198.51.100.%u    "
                                    "198.51.100.1  %zu\r\n",
                                    b, a, a, 25 + n);
            written += static_cast<std::size_t>(length);
            const std::string text(line, static_cast<std::size_t>(length));
            switch (n % 1000 % 100 == 37 ? n / 100 % 10 : 10) {
            case 0: // removed in the new document
                oldOut << text;
                break;
            case 1: // added in the new document
                oldOut << text;
                newOut << text << "    192.0.2." << n % 250 << "  added " << n << "\r\n";
                break;
            case 10:
                both(text);
                break;
            default: // changed in place
                oldOut << text;
                newOut << "  UDP    198.51.100." << a << ":" << n << "    *:*\r\n";
            }
        }
        both("-----\r\n");
    }
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 50;
    const fs::path work =
        fs::temp_directory_path() / ("tginfo-compare-bench-" + std::to_string(getpid()));
    fs::create_directories(work);
    const fs::path oldFile = work / "old.txt", newFile = work / "new.txt";
    writeDocuments(oldFile, newFile, megabytes << 20);
    const double filesMb = (fs::file_size(oldFile) + fs::file_size(newFile)) / 1048576.0;

    double load[3] = {};
    getloadavg(load, 3);
    std::printf("compare bench: load average %.2f %.2f %.2f on %ld CPUs\n", load[0], load[1],
                load[2], sysconf(_SC_NPROCESSORS_ONLN));
    std::printf("two documents of %.1f MB together, 1 %% of their lines different\n", filesMb);
    bool met = true;
    struct Case {
        const char* name;
        std::vector<std::string> extra;
        bool budget;
    };
    const Case cases[] = {
        {"text", {}, true},
        {"html", {"--format", "html"}, false},
        {"text, digits and blanks ignored", {"--ignore-numbers", "--ignore-space"}, false}};
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {TG_PROGRAM, "--compare", oldFile.string(),
                                              newFile.string()};
        arguments.insert(arguments.end(), c.extra.begin(), c.extra.end());
        runOnce(arguments); // the first run reads the files from the disk
        std::vector<double> walls, peaks;
        int status = -1;
        for (int round = 0; round < 3; ++round) {
            const Run run = runOnce(arguments);
            walls.push_back(run.wallMs);
            peaks.push_back(run.peakMb);
            status = run.status;
        }
        const double wall = median(walls), peak = *std::max_element(peaks.begin(), peaks.end());
        const bool fast = wall < 2000, small = peak < 4 * filesMb;
        if (c.budget)
            met = met && fast && small && status == 1;
        std::printf("  %-32s median wall %7.0f ms%s, peak memory %6.1f MB = %.2f x the files%s, "
                    "exit status %d\n",
                    c.name, wall, c.budget ? (fast ? " (under 2 s)" : " (OVER 2 s)") : "", peak,
                    peak / filesMb, c.budget ? (small ? " (under 4 x)" : " (OVER 4 x)") : "",
                    status);
    }
    getloadavg(load, 3);
    std::printf("load average afterwards %.2f %.2f %.2f\n", load[0], load[1], load[2]);
    fs::remove_all(work);
    return met ? 0 : 1;
}

// The whole confirmed run on a pseudo-terminal (start, form drawn, S and Enter,
// report, print program, end) against the cost of starting /bin/true as often.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
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

using Clock = std::chrono::steady_clock;

// Timings in seconds, gathered over all repetitions for the summary.
std::vector<double> TrueStarts;
std::vector<double> FormDrawn;
std::vector<double> WholeRuns;

// A copy of the demo installation, and a print-program folder whose QORPRINT is /bin/true.
struct Installation {
    std::string root;
    std::string exe;
    Installation() {
        char pattern[] = "/tmp/korvidan-bench-XXXXXX";
        const std::string base = mkdtemp(pattern);
        root = base + "/root/";
        exe = base + "/exe/";
        std::filesystem::copy(KORVIDAN_SOURCE_DIR "/install/demo", root,
                              std::filesystem::copy_options::recursive);
        std::filesystem::create_directories(exe);
        std::filesystem::copy_file("/bin/true", exe + "QORPRINT");
    }
    ~Installation() {
        std::filesystem::remove_all(std::filesystem::path(root).parent_path().parent_path());
    }
};

Installation& Demo() {
    static Installation installation;
    return installation;
}

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

double StartTrue() {
    const auto start = Clock::now();
    pid_t pid = 0;
    char* const argv[] = {const_cast<char*>("true"), nullptr};
    if (posix_spawn(&pid, "/bin/true", nullptr, nullptr, argv, environ) != 0) std::abort();
    int status = 0;
    waitpid(pid, &status, 0);
    return Seconds(start, Clock::now());
}

// Reads what the program writes until the text appears (or the program ends);
// false when it ended first.
bool ReadUntil(int master, std::string& seen, const std::string& text) {
    char buffer[4096];
    for (;;) {
        if (!text.empty() && seen.find(text) != std::string::npos) return true;
        pollfd fd{master, POLLIN, 0};
        if (poll(&fd, 1, 10000) <= 0) return false;
        const ssize_t got = read(master, buffer, sizeof buffer);
        if (got <= 0) return false;
        seen.append(buffer, static_cast<size_t>(got));
    }
}

// One confirmed run: the time until the form is drawn and until the program ended.
void ConfirmedRun(double& formDrawn, double& whole) {
    const Installation& demo = Demo();
    winsize size{};
    size.ws_row = 25;
    size.ws_col = 80;
    const auto start = Clock::now();
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, &size);
    if (pid < 0) std::abort();
    if (pid == 0) {
        setenv("QORROOT", demo.root.c_str(), 1);
        setenv("QORTMP", demo.root.c_str(), 1);
        setenv("QOREXE", demo.exe.c_str(), 1);
        setenv("TERM", "xterm-256color", 1);
        setenv("LANG", "C.UTF-8", 1);
        execl(KORVIDAN_BINARY_DIR "/bin/korvidan", "korvidan", static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string seen;
    if (!ReadUntil(master, seen, "Imprimir")) std::abort();
    formDrawn = Seconds(start, Clock::now());
    if (write(master, "S\r", 2) != 2) std::abort();
    ReadUntil(master, seen, "");
    int status = 0;
    waitpid(pid, &status, 0);
    whole = Seconds(start, Clock::now());
    close(master);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::abort();
    if (!std::filesystem::exists(demo.root + "qorprint.tmp")) std::abort();
}

void BM_StartTrue(benchmark::State& state) {
    for (auto _ : state) {
        const double seconds = StartTrue();
        TrueStarts.push_back(seconds);
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_StartTrue)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

// Each confirmed run gives both figures: the time to the form drawn and the whole run.
void BM_ConfirmedRun(benchmark::State& state) {
    for (auto _ : state) {
        double drawn = 0;
        double whole = 0;
        ConfirmedRun(drawn, whole);
        FormDrawn.push_back(drawn);
        WholeRuns.push_back(whole);
        state.SetIterationTime(whole);
    }
}
BENCHMARK(BM_ConfirmedRun)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const double start = Median(TrueStarts);
    const double drawn = Median(FormDrawn);
    const double whole = Median(WholeRuns);
    std::printf("median start of /bin/true  %8.3f ms\n", start * 1e3);
    std::printf("median start to form drawn %8.3f ms  (%.1f x /bin/true)\n", drawn * 1e3,
                start > 0 ? drawn / start : 0.0);
    std::printf("median whole confirmed run %8.3f ms  (%.1f x /bin/true; target at most 10 x)\n",
                whole * 1e3, start > 0 ? whole / start : 0.0);
    return 0;
}

// Start-up time of the real window: from exec of px to its first screen
// snapshot, which it writes once the first frame is painted and it waits
// for input; beside it, in the same run, a bare GTK window from exec to its
// first drawn expose. Both start with the same fixed HOME (no px.ini) in the
// same small working directory. Run under Xvfb:
//     xvfb-run -a ./build-bench/bench/startup_bench
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// A fresh directory per run: HOME is its home/, the program starts in it.
struct Place
{
    std::string dir;
    Place()
    {
        char tmpl[] = "/tmp/px-startup-XXXXXX";
        if (mkdtemp(tmpl)) {
            dir = tmpl;
            mkdir((dir + "/home").c_str(), 0700);
        }
    }
    ~Place()
    {
        if (!dir.empty())
            std::system(("rm -rf '" + dir + "'").c_str());
    }
};

constexpr auto TimeOut = std::chrono::seconds(20);

// Starts argv, and times until the file done appears; false when it does
// not within TimeOut.
bool time_start(benchmark::State& state, const Place& place, const std::string& done, const char* program,
                const char* arg)
{
    unlink(done.c_str());
    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        setenv("HOME", (place.dir + "/home").c_str(), 1);
        setenv("PX_SCREEN_DUMP", done.c_str(), 1);
        if (chdir(place.dir.c_str()) != 0)
            _exit(127);
        execl(program, program, arg, static_cast<char*>(nullptr));
        _exit(127);
    }
    struct stat st;
    bool seen = false;
    while (!(seen = stat(done.c_str(), &st) == 0) && std::chrono::steady_clock::now() - start < TimeOut)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    auto end = std::chrono::steady_clock::now();
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    if (!seen) {
        state.SkipWithError("no first frame within the time-out");
        return false;
    }
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    return true;
}

void BM_PxToFirstFrame(benchmark::State& state)
{
    Place place;
    std::string done = place.dir + "/screen";
    for (auto _ : state)
        if (!time_start(state, place, done, PX_PROGRAM, nullptr))
            break;
}

void BM_BareGtkWindowToFirstFrame(benchmark::State& state)
{
    Place place;
    std::string done = place.dir + "/exposed";
    for (auto _ : state)
        if (!time_start(state, place, done, BARE_WINDOW, done.c_str()))
            break;
}

auto min_of = [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); };

}

BENCHMARK(BM_BareGtkWindowToFirstFrame)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(21)
    ->ComputeStatistics("min", min_of)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PxToFirstFrame)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(21)
    ->ComputeStatistics("min", min_of)
    ->ReportAggregatesOnly(true);

// Start-up time of the real window: from exec of px to its first screen
// snapshot, which it writes once the first frame is painted and it waits
// for input. Run under Xvfb:
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

void BM_StartupToFirstFrame(benchmark::State& state)
{
    std::string dump = "/tmp/px-startup-bench-" + std::to_string(getpid());
    for (auto _ : state) {
        unlink(dump.c_str());
        auto start = std::chrono::steady_clock::now();
        pid_t pid = fork();
        if (pid == 0) {
            setenv("PX_SCREEN_DUMP", dump.c_str(), 1);
            execl(PX_PROGRAM, "px", static_cast<char*>(nullptr));
            _exit(127);
        }
        struct stat st;
        while (stat(dump.c_str(), &st) != 0)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    unlink(dump.c_str());
}

}

BENCHMARK(BM_StartupToFirstFrame)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(21)
    ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
    ->ReportAggregatesOnly(true);

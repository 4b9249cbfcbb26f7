// Opening an archive and listing its root as the panel does, side by side
// with each format's own lister, on one tree of 100,000 files in 4,000
// directories (the fixtures of make-fixtures.sh, plus tree.lzh from
// make_lzh_fixture.py). Runs A B A B with a warm cache and prints medians,
// their ratio and the peak resident set of each side.
//     ./build-bench/bench/archive_list_bench [FIXTURE_DIR/archives] [rounds]
//     ./build-bench/bench/archive_list_bench --px ARCHIVE   (px alone, to profile)
// Each side runs in a child process of its own, so that its peak RSS is
// its own and both pay for a process start.
#include "archive/archive.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

struct Sample
{
    double seconds = 0;
    long rssKiB = 0;
    int status = 0;
};

double now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

Sample wait_child(pid_t pid, double start)
{
    Sample s;
    int status = 0;
    rusage ru{};
    wait4(pid, &status, 0, &ru);
    s.seconds = now() - start;
    s.rssKiB = ru.ru_maxrss;
    s.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    return s;
}

// What the panel does: open, then list the root into entries of its own.
int px_list(const std::string& path)
{
    CArchiveUI quiet;
    Archive a(Westring(path.c_str()), nullptr, ArchiveSettings{}, &quiet);
    if (a.status != 0)
        return 1;
    std::vector<ArchiveListEntry*> listed;
    ArchiveListEntry e;
    if (a.FindFirst(Westring(), e) != 0)
        return 2;
    do
        listed.push_back(new ArchiveListEntry(e));
    while (a.FindNext(e) == 0);
    for (auto* p : listed)
        delete p;
    return listed.size() > 1 ? 0 : 3;
}

Sample run_px(const std::string& path)
{
    double start = now();
    pid_t pid = fork();
    if (pid == 0)
        _exit(px_list(path));
    return wait_child(pid, start);
}

Sample run_tool(const std::vector<std::string>& argv)
{
    double start = now();
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    return wait_child(pid, start);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    // --px FILE: px's side alone, in this process (for a profiler).
    if (argc > 2 && std::string(argv[1]) == "--px")
        return px_list(argv[2]);
    std::string dir = argc > 1 ? argv[1] : "/tmp/pxperf/archives";
    int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    struct Case
    {
        const char* file;
        std::vector<std::string> tool;
        double budget;
    } cases[] = {
        {"members100k.zip", {"unzip", "-l"}, 1.0},
        {"tree.7z", {"7z", "l"}, 1.1},
        {"tree.7z", {"bsdtar", "-tf"}, 0},
        {"tree.tar", {"tar", "tf"}, 1.0},
        {"tree.lzh", {"lha", "l"}, 1.0},
        {"tree.arj", {"arj", "l"}, 1.0},
    };
    std::printf("%-16s %-10s %9s %9s %7s %8s %9s %9s\n", "archive", "tool", "px s", "tool s", "ratio", "budget",
                "px KiB", "tool KiB");
    for (const auto& c : cases) {
        std::string path = dir + "/" + c.file;
        struct stat st;
        if (stat(path.c_str(), &st) != 0) {
            std::printf("%-16s missing\n", c.file);
            continue;
        }
        std::vector<std::string> tool = c.tool;
        tool.push_back(path);
        // One warm-up of each side fills the page cache.
        run_px(path);
        run_tool(tool);
        std::vector<double> px, other;
        long pxRss = 0, toolRss = 0;
        int failed = 0;
        for (int i = 0; i < rounds; i++) {
            Sample a = run_px(path);
            Sample b = run_tool(tool);
            px.push_back(a.seconds);
            other.push_back(b.seconds);
            pxRss = std::max(pxRss, a.rssKiB);
            toolRss = std::max(toolRss, b.rssKiB);
            failed |= a.status != 0;
        }
        double ratio = median(px) / median(other);
        std::printf("%-16s %-10s %9.3f %9.3f %7.2f %8s %9ld %9ld%s\n", c.file, c.tool[0].c_str(), median(px),
                    median(other), ratio, c.budget > 0 ? (ratio <= c.budget ? "ok" : "OVER") : "-", pxRss,
                    toolRss, failed ? "  (px failed)" : "");
    }
    return 0;
}

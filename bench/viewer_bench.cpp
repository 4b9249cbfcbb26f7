// The viewer against the tools a user would reach for instead, on large
// files with a warm page cache: each pair runs A B A B, and the report
// gives the medians, their same-run ratio and the peak memory of each side.
//
//   viewer_bench [FIXTURE_DIR [ROUNDS [ONLY]]]
//
// FIXTURE_DIR (default: a fresh directory under /tmp, removed afterwards)
// receives a 10 GiB sparse file with 1 MiB of text at each end, a 10 MiB
// file of the same head and tail, files of one 1 MB and one 100 MB line,
// and 1 GiB of text with a needle on its last line. Ours runs the real
// viewer on a console without a window, each measurement in a child of
// its own so that its peak memory is its own; "painted" is the moment the
// viewer, having drawn, waits for the next key. ONLY runs the measurements
// whose name holds that text.

#include "config/config.h"
#include "console/console.h"
#include "console/key_codes.h"
#include "editor/search_settings.h"
#include "viewer/file_viewer.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point t)
{
    return std::chrono::duration<double>(Clock::now() - t).count();
}

struct Sample
{
    // Seconds of each timed step; the peak memory in KiB.
    std::vector<double> steps;
    long peak_kib = 0;
};

// Runs fn in a child; fn returns the seconds of its timed steps.
Sample ours(const std::function<std::vector<double>()>& fn)
{
    int fds[2];
    if (pipe(fds) != 0)
        abort();
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        std::vector<double> s = fn();
        int n = static_cast<int>(s.size());
        (void)!write(fds[1], &n, sizeof n);
        (void)!write(fds[1], s.data(), sizeof(double) * s.size());
        _exit(0);
    }
    close(fds[1]);
    Sample out;
    int n = 0;
    if (read(fds[0], &n, sizeof n) == sizeof n && n > 0 && n < 100) {
        out.steps.resize(static_cast<size_t>(n));
        (void)!read(fds[0], out.steps.data(), sizeof(double) * out.steps.size());
    }
    close(fds[0]);
    int status;
    rusage ru{};
    wait4(pid, &status, 0, &ru);
    out.peak_kib = ru.ru_maxrss;
    return out;
}

// A shell command with its output thrown away: its wall time.
Sample tool(const std::string& command)
{
    auto t = Clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", (command + " >/dev/null").c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status;
    rusage ru{};
    wait4(pid, &status, 0, &ru);
    Sample s;
    s.steps.push_back(since(t));
    s.peak_kib = ru.ru_maxrss;
    return s;
}

// less +G in an 80 x 25 tmux pane: the time until the pane shows want.
Sample less_end(const std::string& file, const std::string& want)
{
    // A server of its own for each run, so that one shutting down never
    // meets the next starting.
    static int runs = 0;
    const std::string tmux = "tmux -L pxviewbench" + std::to_string(getpid()) + "_" + std::to_string(runs++) +
                             " -f /dev/null ";
    auto t = Clock::now();
    if (std::system((tmux + "new-session -d -s b -x 80 -y 25 \"less +G '" + file + "'\"").c_str()) != 0)
        return {};
    Sample s;
    for (;;) {
        FILE* p = popen((tmux + "capture-pane -p -t b").c_str(), "r");
        std::string pane;
        char buf[4096];
        size_t n;
        while (p && (n = fread(buf, 1, sizeof buf, p)) > 0)
            pane.append(buf, n);
        if (p)
            pclose(p);
        if (pane.find(want) != std::string::npos || since(t) > 120)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    s.steps.push_back(since(t));
    (void)std::system((tmux + "kill-server 2>/dev/null").c_str());
    return s;
}

// Runs the viewer on file: keys are pressed one at a time, each when the
// viewer waits, and the times from the start to the first wait (the first
// page painted) and between the waits are returned. check, when given,
// sees the screen after the last key.
std::vector<double> run_viewer(const std::string& file, const std::vector<int>& keys,
                               const std::function<void()>& prepare = {},
                               const std::function<bool()>& check = {})
{
    console.SetSize(80, 25, "", 0);
    set_config_defaults(config);
    if (prepare)
        prepare();
    std::vector<double> steps;
    size_t next = 0;
    auto last = Clock::now();
    bool ok = true;
    console.idle_hook = [&] {
        steps.push_back(since(last));
        if (next == keys.size() && check)
            ok = check();
        int key = next < keys.size() ? keys[next++] : KEY_F10;
        last = Clock::now();
        console.Queue().Put({CConsole::EvKey, key, 0, 0, 0, 0});
    };
    last = Clock::now();
    {
        CFileViewer v;
        (void)v.View(FileNameFromSys(file.c_str()).c_str(), -1);
    }
    console.idle_hook = nullptr;
    steps.resize(keys.size() + 1);
    if (!ok) {
        fprintf(stderr, "%s: the viewer did not show what it should\n", file.c_str());
        steps.assign(keys.size() + 1, -1);
    }
    return steps;
}

bool screen_has(const char* text)
{
    for (int y = 0; y < console.Lines(); y++) {
        const ScreenCell* r = console.Row(y);
        Westring line;
        for (int x = 0; x < console.Columns(); x++)
            line += r[x].ch;
        if (line.ToUTF8().c_str() && std::string(line.ToUTF8().c_str()).find(text) != std::string::npos)
            return true;
    }
    return false;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int rounds = 5;
std::string only;

bool wanted(const std::string& name)
{
    return only.empty() || name.find(only) != std::string::npos;
}

// Runs a and b alternately (once each to warm up, then rounds times) and
// prints the medians of step ia of a and ib of b.
void pair(const std::string& name, const std::function<Sample()>& a, int ia, const std::function<Sample()>& b,
          int ib, const char* limit)
{
    if (!wanted(name))
        return;
    std::vector<double> ta, tb;
    long pa = 0, pb = 0;
    a();
    b();
    for (int i = 0; i < rounds; i++) {
        Sample x = a(), y = b();
        if (static_cast<int>(x.steps.size()) > ia)
            ta.push_back(x.steps[static_cast<size_t>(ia)]);
        if (static_cast<int>(y.steps.size()) > ib)
            tb.push_back(y.steps[static_cast<size_t>(ib)]);
        pa = std::max(pa, x.peak_kib);
        pb = std::max(pb, y.peak_kib);
    }
    double ma = median(ta), mb = median(tb);
    printf("%-46s %9.2f / %9.2f ms = %6.2f  (%s)  peak %7ld / %7ld KiB\n", name.c_str(), ma * 1e3, mb * 1e3,
           mb > 0 ? ma / mb : 0.0, limit, pa, pb);
    fflush(stdout);
}

void write_all(int fd, const std::string& s, off_t at)
{
    size_t done = 0;
    while (done < s.size()) {
        ssize_t w = pwrite(fd, s.data() + done, s.size() - done, at + static_cast<off_t>(done));
        if (w <= 0)
            abort();
        done += static_cast<size_t>(w);
    }
}

std::string text_mib(const char* tag)
{
    std::string s;
    for (int i = 0; s.size() < (1u << 20); i++) {
        char line[96];
        snprintf(line, sizeof line, "%s %08d The quick brown fox jumps over the lazy dog.\n", tag, i);
        s += line;
    }
    s.resize(1u << 20);
    s.back() = '\n';
    return s;
}

// A file of size bytes, sparse between 1 MiB of text at each end.
void make_sparse(const std::string& path, long long size)
{
    if (access(path.c_str(), R_OK) == 0)
        return;
    int fd = open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    if (fd < 0 || ftruncate(fd, size) != 0)
        abort();
    write_all(fd, text_mib("head"), 0);
    write_all(fd, text_mib("tail"), size - (1 << 20));
    close(fd);
}

void make_line(const std::string& path, long long size)
{
    if (access(path.c_str(), R_OK) == 0)
        return;
    std::string chunk;
    for (int i = 0; chunk.size() < (1u << 20); i++)
        chunk += "word" + std::to_string(i % 1000) + " ";
    chunk.resize(1u << 20);
    int fd = open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    for (long long at = 0; at < size; at += static_cast<long long>(chunk.size()))
        write_all(fd, chunk.substr(0, static_cast<size_t>(std::min<long long>(chunk.size(), size - at))), at);
    close(fd);
}

void make_text(const std::string& path, long long size)
{
    if (access(path.c_str(), R_OK) == 0)
        return;
    std::string block = text_mib("body");
    int fd = open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    long long at = 0;
    for (; at + static_cast<long long>(block.size()) <= size; at += static_cast<long long>(block.size()))
        write_all(fd, block, at);
    write_all(fd, "and at the very end the Needle we look for\n", at);
    close(fd);
}

// Follow mode: how long after a change from outside the page shows it.
void follow_latency(const std::string& dir)
{
    if (!wanted("follow"))
        return;
    std::string file = dir + "/follow.log";
    FILE* f = fopen(file.c_str(), "w");
    fputs("start\n", f);
    fclose(f);
    struct Event
    {
        const char* kind;
        std::string marker;
    };
    std::vector<Event> events;
    for (int i = 0; i < 20; i++)
        events.push_back({"growth", "grown " + std::to_string(i)});
    for (int i = 0; i < 5; i++) {
        events.push_back({"truncation", ""});
        events.push_back({"rename over", "renamed " + std::to_string(i)});
    }
    std::atomic<int> done{-1};
    std::vector<double> delay(events.size(), -1);
    std::vector<Clock::time_point> at(events.size());
    std::mt19937 rng(7);
    console.SetSize(80, 25, "", 0);
    set_config_defaults(config);
    size_t current = 0;
    bool started = false;
    std::thread writer;
    // The writer changes the file at a random moment of the viewer's wait
    // for keys; the idle hook, called at every wait, sees the page.
    auto change = [&](size_t i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(rng() % 250));
        const Event& e = events[i];
        at[i] = Clock::now();
        if (std::string(e.kind) == "growth") {
            FILE* g = fopen(file.c_str(), "a");
            fprintf(g, "%s\n", e.marker.c_str());
            fclose(g);
        } else if (std::string(e.kind) == "truncation") {
            (void)!truncate(file.c_str(), 0);
        } else {
            std::string tmp = dir + "/follow.new";
            FILE* g = fopen(tmp.c_str(), "w");
            fprintf(g, "%s\n", e.marker.c_str());
            fclose(g);
            rename(tmp.c_str(), file.c_str());
        }
        done = static_cast<int>(i);
    };
    console.idle_hook = [&] {
        if (!started) {
            started = true;
            console.Queue().Put({CConsole::EvKey, KEY_ALT_F, 0, 0, 0, 0});
            return;
        }
        if (current < events.size() && done == static_cast<int>(current)) {
            const Event& e = events[current];
            bool seen = e.marker.empty() ? !screen_has("grown") && !screen_has("renamed") && !screen_has("start")
                                         : screen_has(e.marker.c_str());
            if (!seen)
                return;
            delay[current] = since(at[current]);
            writer.join();
            current++;
        }
        if (current == events.size()) {
            console.Queue().Put({CConsole::EvKey, KEY_ESC, 0, 0, 0, 0});
            console.Queue().Put({CConsole::EvKey, KEY_ESC, 0, 0, 0, 0});
            current++;
            return;
        }
        if (current < events.size() && !writer.joinable())
            writer = std::thread(change, current);
    };
    {
        CFileViewer v;
        (void)v.View(FileNameFromSys(file.c_str()).c_str(), -1);
    }
    console.idle_hook = nullptr;
    if (writer.joinable())
        writer.join();
    for (const char* kind : {"growth", "truncation", "rename over"}) {
        std::vector<double> d;
        for (size_t i = 0; i < events.size(); i++)
            if (std::string(events[i].kind) == kind && delay[i] >= 0)
                d.push_back(delay[i]);
        printf("follow: %-12s shown after  median %6.1f ms  max %6.1f ms  (%zu changes)\n", kind,
               median(d) * 1e3, d.empty() ? 0 : *std::max_element(d.begin(), d.end()) * 1e3, d.size());
    }
}

}

int main(int argc, char** argv)
{
    std::string dir;
    bool own = argc < 2;
    if (own) {
        char tmpl[] = "/tmp/pxviewbench.XXXXXX";
        if (!mkdtemp(tmpl))
            return 1;
        dir = tmpl;
    } else {
        dir = argv[1];
    }
    if (argc > 2)
        rounds = std::max(1, atoi(argv[2]));
    if (argc > 3)
        only = argv[3];
    setenv("HOME", dir.c_str(), 1);

    const std::string sparse = dir + "/sparse10g.txt", small = dir + "/small10m.txt";
    const std::string line1 = dir + "/line1m.txt", line100 = dir + "/line100m.txt";
    const std::string text = dir + "/text1g.txt";
    make_sparse(sparse, 10LL << 30);
    make_sparse(small, 10LL << 20);
    make_line(line1, 1000000);
    make_line(line100, 100000000);
    if (wanted("search"))
        make_text(text, 1LL << 30);

    printf("%-46s %9s   %9s       ratio\n", "measurement (ours / theirs)", "ours", "theirs");
    auto open_end = [](const std::string& file) {
        return [file] {
            return ours([file] { return run_viewer(file, {KEY_END}, {}, [] { return screen_has("tail 00"); }); });
        };
    };
    auto tail = [](const std::string& file) { return [file] { return tool("tail -c 4096 '" + file + "'"); }; };
    pair("open, 10 GiB sparse / tail -c 4096", open_end(sparse), 0, tail(sparse), 0, "<= 10");
    pair("End, 10 GiB sparse / tail -c 4096", open_end(sparse), 1, tail(sparse), 0, "<= 10");
    pair("open, 10 GiB sparse / open, 10 MiB", open_end(sparse), 0, open_end(small), 0, "<= 1.2");
    pair("End, 10 GiB sparse / End, 10 MiB", open_end(sparse), 1, open_end(small), 1, "<= 1.2, peak within 2 MiB");
    if (wanted("less")) {
        Sample a = less_end(small, "(END)"), b = less_end(sparse, "(END)");
        printf("%-46s %9.2f / %9.2f ms (once each)\n", "less +G under tmux, 10 MiB / 10 GiB",
               a.steps.empty() ? -1 : a.steps[0] * 1e3, b.steps.empty() ? -1 : b.steps[0] * 1e3);
    }

    auto end_up = [](const std::string& file) {
        return [file] { return ours([file] {
            std::vector<double> s = run_viewer(file, {KEY_END, KEY_UP});
            return std::vector<double>{s[1] + s[2]};
        }); };
    };
    pair("End then Up, one 100 MB line / one 1 MB line", end_up(line100), 0, end_up(line1), 0, "<= 1.2");

    for (bool cs : {true, false}) {
        auto find = [&text, cs] {
            return ours([&text, cs] {
                return run_viewer(
                    text, {KEY_SHIFT_F1 + 6},
                    [cs] {
                        word = cs ? L"Needle" : L"needle";
                        casesense = cs;
                    },
                    [] { return screen_has("the Needle we look for"); });
            });
        };
        std::string grep = std::string("grep -c") + (cs ? " Needle '" : "i needle '") + text + "'";
        pair(cs ? "search 1 GiB, with case / grep -c" : "search 1 GiB, ignoring case / grep -ci", find, 1,
             [grep] { return tool(grep); }, 0, "<= 1.5");
    }

    follow_latency(dir);
    if (own)
        (void)std::system(("rm -rf '" + dir + "'").c_str());
    return 0;
}

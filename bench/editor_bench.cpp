// The editor against the tools a user would reach for instead, on a 200 MB
// text with a warm page cache: each pair runs A B A B, and the report gives
// the medians, their same-run ratio and the peak memory of each side.
//
//   editor_bench [FIXTURE_DIR [ROUNDS [ONLY]]]
//
// FIXTURE_DIR (default: a fresh directory under /tmp, removed afterwards)
// receives a 200 MB text of pseudo-words, with blank and indented lines and
// lines of 17 to 119 KB among them, a needle on its last line, and a 1 KB
// text. Ours runs the real editor on a console without a window, each
// measurement in a child of its own so that its peak memory is its own; a
// step ends when the editor, having drawn, waits for the next key. ONLY
// runs the measurements whose name holds that text.

#include "config/config.h"
#include "console/console.h"
#include "console/key_codes.h"
#include "editor/edit.h"
#include "editor/search_settings.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

// The resident memory when the last key of a script had been handled.
long rss_after_keys_kib = 0;

long rss_kib()
{
    long pages = 0, resident = 0;
    FILE* f = fopen("/proc/self/statm", "r");
    if (f) {
        if (fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Runs the editor on file: keys are pressed one at a time, each when the
// editor waits; the times from the start to the first wait (the first page
// painted) and between the waits. Afterwards Esc and Discard.
std::vector<double> run_editor(const std::string& file, const std::vector<int>& keys,
                               const std::function<void()>& prepare = {})
{
    console.SetSize(80, 25, "", 0);
    set_config_defaults(config);
    if (prepare)
        prepare();
    std::vector<int> script = keys;
    script.push_back(KEY_ESC);
    script.push_back('d');
    std::vector<double> steps;
    size_t next = 0;
    auto last = Clock::now();
    console.idle_hook = [&] {
        steps.push_back(since(last));
        if (next == keys.size())
            rss_after_keys_kib = rss_kib();
        int key = next < script.size() ? script[next++] : KEY_ESC;
        last = Clock::now();
        console.Queue().Put({CConsole::EvKey, key, 0, 0, 0, 0});
    };
    last = Clock::now();
    (void)edit(FileNameFromSys(file.c_str()).c_str());
    console.idle_hook = nullptr;
    steps.resize(keys.size() + 1);
    return steps;
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
    printf("%-48s %9.2f / %9.2f ms = %6.2f  (%s)  peak %7ld / %7ld KiB\n", name.c_str(), ma * 1e3, mb * 1e3,
           mb > 0 ? ma / mb : 0.0, limit, pa, pb);
    fflush(stdout);
}

// Pseudo-words from a fixed generator: the same text on every run.
struct Words
{
    unsigned long long s = 88172645463325252ULL;
    unsigned next()
    {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return static_cast<unsigned>(s);
    }
    void word(std::string& out)
    {
        static const char* syl[] = {"ka", "lo", "mi", "ne", "ru", "ta", "shi", "po", "vel", "dor", "an", "es"};
        int n = 1 + next() % 4;
        for (int i = 0; i < n; i++)
            out += syl[next() % 12];
    }
};

void make_text(const std::string& path, long long size)
{
    if (access(path.c_str(), R_OK) == 0)
        return;
    FILE* f = fopen(path.c_str(), "w");
    if (!f)
        abort();
    Words w;
    std::string line;
    long long at = 0;
    for (long long n = 0; at < size - 100; n++) {
        line.clear();
        unsigned kind = w.next() % 1000;
        if (kind < 80) {
            // blank
        } else {
            if (kind < 300)
                line.append(4 * (1 + w.next() % 3), ' ');
            size_t want = kind < 2 ? 17000 + w.next() % 102000 : 20 + w.next() % 60;
            while (line.size() < want) {
                w.word(line);
                line += ' ';
            }
            line.pop_back();
        }
        line += '\n';
        fwrite(line.data(), 1, line.size(), f);
        at += static_cast<long long>(line.size());
    }
    fputs("and at the very end the Needle we look for\n", f);
    fclose(f);
}

void make_small(const std::string& path)
{
    FILE* f = fopen(path.c_str(), "w");
    Words w;
    std::string text;
    while (text.size() < 1000) {
        w.word(text);
        text += text.size() % 60 < 8 ? '\n' : ' ';
    }
    fputs(text.c_str(), f);
    fputs("\n", f);
    fclose(f);
}

}

int main(int argc, char** argv)
{
    std::string dir;
    bool own = argc < 2;
    if (own) {
        char tmpl[] = "/tmp/pxeditbench.XXXXXX";
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

    const std::string big = dir + "/words200m.txt", small = dir + "/words1k.txt";
    make_text(big, 200000000);
    make_small(small);
    struct stat st;
    stat(big.c_str(), &st);
    printf("fixture: %lld bytes\n", static_cast<long long>(st.st_size));
    printf("%-48s %9s   %9s       ratio\n", "measurement (ours / theirs)", "ours", "theirs");

    auto open = [](const std::string& file, std::vector<int> keys = {}, std::function<void()> prep = {}) {
        return [file, keys, prep] { return ours([file, keys, prep] { return run_editor(file, keys, prep); }); };
    };
    pair("open 200 MB to the first page / vim -es +q", open(big), 0,
         [&] { return tool("vim -u NONE -i NONE -es +q '" + big + "'"); }, 0, "<= 1.0, peak <= 1.5x file");
    pair("a character at the end, 200 MB / 1 KB", open(big, {KEY_CTRL_PGDN, 'x'}), 2, open(small, {KEY_CTRL_PGDN, 'x'}),
         2, "<= 16 ms, <= 1.5");
    pair("Enter at the top, 200 MB / 1 KB", open(big, {KEY_RETURN}), 1, open(small, {KEY_RETURN}), 1,
         "<= 16 ms, <= 1.5");
    auto needle = [] {
        word = L"Needle";
        casesense = 1;
    };
    pair("Shift+F7 to the last line / grep -c", open(big, {KEY_SHIFT_F1 + 6}, needle), 1,
         [&] { return tool("grep -c Needle '" + big + "'"); }, 0, "<= 1.5");
    if (wanted("undo")) {
        std::vector<int> keys;
        for (int i = 0; i < 5; i++)
            keys.insert(keys.end(), {KEY_CTRL_A, KEY_DEL, KEY_ALT_BACKSPACE});
        Sample plain = ours([&] { return run_editor(big, {}); });
        Sample rounds5 = ours([&] {
            std::vector<double> s = run_editor(big, keys);
            s.push_back(static_cast<double>(rss_after_keys_kib));
            return s;
        });
        long after = rounds5.steps.empty() ? 0 : static_cast<long>(rounds5.steps.back());
        printf("%-48s peak %7ld KiB after open; five rounds: peak %7ld KiB, resident after %7ld KiB "
               "(bound: + %lld KiB of undo)\n",
               "five delete-all and undo rounds, 200 MB", plain.peak_kib, rounds5.peak_kib, after,
               static_cast<long long>(st.st_size) / 1024);
    }
    if (own)
        (void)std::system(("rm -rf '" + dir + "'").c_str());
    return 0;
}

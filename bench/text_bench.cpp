// The text library against the command-line tools that do the same work,
// on the performance fixtures: each pair runs A B A B, and the report gives
// the medians, their same-run ratio and the peak memory of each side.
//
//   text_bench FIXTURE_DIR [ROUNDS [ONLY]]   (ONLY: run the measurements named so)
//
// Each measurement of ours runs in a child of its own, so that its peak
// memory is its own; the child times only the work, after any untimed
// preparation, and hands the time back through a pipe. Copies of
// bigtext.txt in UTF-16LE and Latin-1 and 20 MB of C from the system
// headers are made in FIXTURE_DIR on the first run.

#include "text/syntax_highlighter.h"
#include "text/syntax_state_store.h"
#include "text/text_file.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <tuple>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Wall time and processor time (user + system): on a shared machine the
// processor time is the steadier figure, so both are reported.
struct Sample
{
    double seconds;
    double cpu;
    long peak_kib;
};

struct Times
{
    double wall, cpu;
};

double cpu_now()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

// Started at construction; since() gives both times.
struct Stopwatch
{
    Clock::time_point wall = Clock::now();
    double cpu = cpu_now();
    Times since() const
    {
        return {std::chrono::duration<double>(Clock::now() - wall).count(), cpu_now() - cpu};
    }
};

double since(Clock::time_point t)
{
    return std::chrono::duration<double>(Clock::now() - t).count();
}

// Runs fn in a child; fn returns the times of its timed part.
Sample ours(const std::function<Times()>& fn)
{
    int fds[2];
    if (pipe(fds) != 0)
        abort();
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        Times s = fn();
        (void)!write(fds[1], &s, sizeof s);
        _exit(0);
    }
    close(fds[1]);
    Times s{-1, -1};
    (void)!read(fds[0], &s, sizeof s);
    close(fds[0]);
    int status;
    rusage ru{};
    wait4(pid, &status, 0, &ru);
    return {s.wall, s.cpu, ru.ru_maxrss};
}

// Runs a shell command with its output thrown away.
Sample tool(const std::string& command, bool quiet = true)
{
    auto t = Clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", (command + (quiet ? " >/dev/null" : "")).c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status;
    rusage ru{};
    wait4(pid, &status, 0, &ru);
    double s = since(t);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        fprintf(stderr, "warning: %s exited %d\n", command.c_str(), WEXITSTATUS(status));
    double cpu = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
                 static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
    return {s, cpu, ru.ru_maxrss};
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int rounds = 5;
// Only the measurements whose name holds this text (all when empty).
std::string only;

bool wanted(const char* name)
{
    return only.empty() || std::string(name).find(only) != std::string::npos;
}

void pair(const char* name, const std::function<Sample()>& a, const std::function<Sample()>& b, double limit)
{
    if (!wanted(name))
        return;
    std::vector<double> ta, tb, ca, cb;
    long pa = 0, pb = 0;
    a();  // warm the page cache
    b();
    for (int i = 0; i < rounds; i++) {
        Sample x = a(), y = b();
        ta.push_back(x.seconds);
        tb.push_back(y.seconds);
        ca.push_back(x.cpu);
        cb.push_back(y.cpu);
        pa = std::max(pa, x.peak_kib);
        pb = std::max(pb, y.peak_kib);
    }
    double ma = median(ta), mb = median(tb), na = median(ca), nb = median(cb);
    printf("%-40s wall %8.4f / %8.4f s = %6.3f  cpu %8.4f / %8.4f s = %6.3f  (limit %.2f)  peak %7ld / %7ld KiB\n",
           name, ma, mb, ma / mb, na, nb, na / nb, limit, pa, pb);
    fflush(stdout);
}

Times read_all(const std::string& path, EFileFormat forced, int cp)
{
    CTextFile f;
    f.SetFormat(forced);
    f.SetCodePage(cp);
    Stopwatch t;
    if (f.Open(FileNameFromSys(path.c_str())) != 0)
        abort();
    int len;
    long long chars = 0;
    while (const wchar_t* l = f.ReadTextLine(len))
        chars += len + (l[0] == 1);
    Times s = t.since();
    if (chars == 0)
        abort();
    return s;
}

// The start of the line n lines above the line that starts at pos.
long long back_lines(CTextFile& f, long long pos, int n)
{
    f.SetReadPos(pos);
    for (int k = 0; k < n; k++) {
        int c = f.ReadPrevChar();
        if (c < 0)
            return f.TextStart();
        // Past the line end of the line before, then to its start.
        while (c == '\n' || c == '\r')
            c = f.ReadPrevChar();
        while (c >= 0 && c != '\n' && c != '\r')
            c = f.ReadPrevChar();
        if (c >= 0)
            (void)f.ReadChar();
    }
    return f.GetReadPos();
}

constexpr int PageLines = 24;

// Colours one page from top and keeps the state behind it; the offset of
// the next page.
long long show_page(CTextFile& f, SyntaxHighlighter& hl, CSyntaxStateStore& store, long long top)
{
    store.CatchUp(f, hl, top);
    CellString cells;
    int len;
    for (int i = 0; i < PageLines; i++) {
        const wchar_t* l = f.ReadTextLine(len, 4096);
        if (!l)
            break;
        hl.ProcessLine(l, len, &cells);
    }
    long long next = f.GetReadPos();
    store.PageEnd(next, hl);
    return next;
}

void make_copies(const std::string& dir)
{
    std::string big = dir + "/bigtext.txt";
    if (!std::filesystem::exists(dir + "/bigtext.utf16le.txt"))
        tool("iconv -f UTF-8 -t UTF-16LE '" + big + "' > '" + dir + "/bigtext.utf16le.txt'", false);
    if (!std::filesystem::exists(dir + "/bigtext.latin1.txt"))
        tool("iconv -c -f UTF-8 -t LATIN1 '" + big + "' > '" + dir + "/bigtext.latin1.txt'", false);
    std::string c = dir + "/headers20m.c";
    if (!std::filesystem::exists(c)) {
        std::ofstream out(c, std::ios::binary);
        size_t total = 0;
        std::vector<std::string> headers;
        for (auto& e : std::filesystem::recursive_directory_iterator("/usr/include"))
            if (e.is_regular_file() && e.path().extension() == ".h")
                headers.push_back(e.path().string());
        std::sort(headers.begin(), headers.end());
        while (total < 20000000)
            for (const auto& h : headers) {
                std::ifstream in(h, std::ios::binary);
                std::string s((std::istreambuf_iterator<char>(in)), {});
                out << s;
                total += s.size();
                if (total >= 20000000)
                    break;
            }
    }
}

}

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: text_bench FIXTURE_DIR [ROUNDS [ONLY]]\n");
        return 2;
    }
    std::string dir = argv[1];
    if (argc > 2)
        rounds = std::max(1, atoi(argv[2]));
    if (argc > 3)
        only = argv[3];
    make_copies(dir);
    std::string big = dir + "/bigtext.txt", u16 = dir + "/bigtext.utf16le.txt", l1 = dir + "/bigtext.latin1.txt";
    std::string csrc = dir + "/headers20m.c";
    Westring ini = FileNameFromSys(PANNEX_SYNTAX_INI);
    auto q = [](const std::string& s) { return "'" + s + "'"; };

    pair("detect bigtext.txt vs wc -l", [&] { return ours([&] {
             Stopwatch t;
             CTextFile f;
             if (f.Open(FileNameFromSys(big.c_str())) != 0)
                 abort();
             return t.since();
         }); }, [&] { return tool("wc -l " + q(big)); }, 0.05);

    // The UTF-16 copy has no mark and is opened as UTF-16, as the user
    // would choose it: without one a file of any size is only guessed at.
    for (const auto& [label, path, format] : {std::tuple{"IndexLines bigtext.txt vs wc -l", big, FormatDetect},
                                              std::tuple{"IndexLines UTF-16LE copy vs wc -l", u16, FormatUTF16LE}})
        pair(label, [&, path = path, format = format] { return ours([&] {
                 Stopwatch t;
                 CTextFile f;
                 f.SetFormat(format);
                 if (f.Open(FileNameFromSys(path.c_str())) != 0)
                     abort();
                 std::vector<long long> starts;
                 if (f.IndexLines(starts) != 0 || starts.empty())
                     abort();
                 return t.since();
             }); }, [&, path = path] { return tool("wc -l " + q(path)); }, 1.5);

    pair("ReadTextLine UTF-8 vs iconv UTF-8", [&] { return ours([&] { return read_all(big, FormatDetect, 0); }); },
         [&] { return tool("iconv -f UTF-8 -t UTF-32LE " + q(big)); }, 1.0);
    pair("ReadTextLine UTF-16LE vs iconv UTF-16LE", [&] { return ours([&] { return read_all(u16, FormatUTF16LE, 0); }); },
         [&] { return tool("iconv -f UTF-16LE -t UTF-32LE " + q(u16)); }, 1.0);
    pair("ReadTextLine Latin-1 vs iconv LATIN1", [&] { return ours([&] { return read_all(l1, FormatCodePage, 819); }); },
         [&] { return tool("iconv -f LATIN1 -t UTF-32LE " + q(l1)); }, 1.0);

    std::string saved = dir + "/bench-save.txt", copied = dir + "/bench-copy.txt";
    pair("save 200 MB with fsync vs cp + sync", [&] { return ours([&] {
             CTextFile f;
             if (f.Open(FileNameFromSys(big.c_str())) != 0)
                 abort();
             std::vector<wchar_t> text;
             std::vector<std::pair<size_t, TLineEnd>> lines;
             int len;
             while (const wchar_t* l = f.ReadTextLine(len)) {
                 text.insert(text.end(), l, l + len);
                 lines.push_back({text.size(), f.LastLineEnd()});
             }
             Stopwatch t;
             if (f.BeginSave(FileNameFromSys(saved.c_str())) != 0)
                 abort();
             size_t from = 0;
             for (const auto& [end, le] : lines) {
                 if (f.WriteStr(text.data() + from, static_cast<int>(end - from), le) != 0)
                     abort();
                 from = end;
             }
             if (f.EndSave() != 0)
                 abort();
             return t.since();
         }); }, [&] { return tool("cp " + q(big) + " " + q(copied) + " && sync"); }, 1.2);
    // The editor's way: its lines are UTF-8 already and go out as bytes.
    pair("save 200 MB of UTF-8 lines vs cp + sync", [&] { return ours([&] {
             CTextFile f;
             if (f.Open(FileNameFromSys(big.c_str())) != 0)
                 abort();
             std::string bytes;
             {
                 std::ifstream in(big, std::ios::binary);
                 bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
             }
             Stopwatch t;
             if (f.BeginSave(FileNameFromSys(saved.c_str())) != 0)
                 abort();
             for (size_t from = 0; from < bytes.size();) {
                 size_t lf = bytes.find('\n', from);
                 size_t stop = lf == std::string::npos ? bytes.size() : lf;
                 if (f.WriteBytes(bytes.data() + from, stop - from, lf == std::string::npos ? LineEndNone : LineEndLF) != 0)
                     abort();
                 from = stop + 1;
             }
             if (f.EndSave() != 0)
                 abort();
             return t.since();
         }); }, [&] { return tool("cp " + q(big) + " " + q(copied) + " && sync"); }, 1.2);
    std::filesystem::remove(saved);
    std::filesystem::remove(copied);

    pair("ProcessLine 20 MB of C vs source-highlight", [&] { return ours([&] {
             CTextFile f;
             if (f.Open(FileNameFromSys(csrc.c_str())) != 0)
                 abort();
             std::vector<std::wstring> lines;
             int len;
             while (const wchar_t* l = f.ReadTextLine(len))
                 lines.emplace_back(l, static_cast<size_t>(len));
             SyntaxHighlighter hl;
             if (!hl.LoadDef(ini, L"headers.c"))
                 abort();
             CellString cells;
             Stopwatch t;
             for (const auto& l : lines)
                 hl.ProcessLine(l.c_str(), static_cast<int>(l.size()), &cells);
             return t.since();
         }); }, [&] { return tool("source-highlight -s c -f esc -i " + q(csrc) + " -o /dev/null"); }, 0.5);

    if (!wanted("page"))
        return 0;
    // The viewer's pages: the first, End from an empty store, and PgUp.
    auto open_page = [&](CTextFile& f, SyntaxHighlighter& hl) {
        if (f.Open(FileNameFromSys(big.c_str())) != 0 || !hl.LoadDef(ini, L"bigtext.c"))
            abort();
    };
    std::vector<double> first, end, up, first_cpu, end_cpu;
    for (int r = 0; r < rounds + 1; r++) {
        Sample s1 = ours([&] {
            Stopwatch t;
            CTextFile f;
            SyntaxHighlighter hl;
            CSyntaxStateStore store;
            open_page(f, hl);
            show_page(f, hl, store, 0);
            return t.since();
        });
        // End, then the PgUp times written after it through a file.
        std::string times = dir + "/bench-pgup.times";
        Sample s2 = ours([&] {
            Stopwatch t;
            CTextFile f;
            SyntaxHighlighter hl;
            CSyntaxStateStore store;
            open_page(f, hl);
            long long top = back_lines(f, f.KnownSize(), PageLines);
            show_page(f, hl, store, top);
            Times e = t.since();
            std::ofstream out(times);
            for (int i = 0; i < 100; i++) {
                Stopwatch u;
                top = back_lines(f, top, PageLines);
                show_page(f, hl, store, top);
                out << u.since().wall << "\n";
            }
            return e;
        });
        if (r == 0)
            continue;
        first.push_back(s1.seconds);
        end.push_back(s2.seconds);
        first_cpu.push_back(s1.cpu);
        end_cpu.push_back(s2.cpu);
        std::ifstream in(times);
        for (double d; in >> d;)
            up.push_back(d);
        std::filesystem::remove(times);
    }
    double mf = median(first), me = median(end);
    std::sort(up.begin(), up.end());
    double cf = median(first_cpu), ce = median(end_cpu);
    fflush(stdout);
    printf("%-44s wall %9.6f s cpu %9.6f s\n", "first page of bigtext.txt as C", mf, cf);
    printf("%-44s wall %9.6f s = %6.3f, cpu %9.6f s = %6.3f (limit 3.00)\n", "End page from an empty store", me,
           me / mf, ce, ce / cf);
    printf("%-44s wall median %9.6f s = %6.3f, 90th %9.6f s = %6.3f, worst %9.6f s = %6.3f (limit 1.50)\n",
           "each of 100 PgUp", up[up.size() / 2], up[up.size() / 2] / mf, up[up.size() * 9 / 10],
           up[up.size() * 9 / 10] / mf, up.back(), up.back() / mf);

    fflush(stdout);
    Sample all = ours([&] {
        CTextFile f;
        SyntaxHighlighter hl;
        CSyntaxStateStore store;
        open_page(f, hl);
        Stopwatch t;
        long long size = f.KnownSize();
        for (long long top = 0; top < size;)
            top = show_page(f, hl, store, top);
        Times s = t.since();
        printf("%-44s %9.3f s, store %zu bytes = %.4f%% of %lld (limit 1%%)\n", "paging through all of bigtext.txt", s.wall,
               store.MemoryBytes(), 100.0 * static_cast<double>(store.MemoryBytes()) / static_cast<double>(size),
               size);
        fflush(stdout);
        return s;
    });
    printf("%-44s peak %ld KiB\n", "paging through all", all.peak_kib);
    return 0;
}

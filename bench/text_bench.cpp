// The text library against the command-line tools that do the same work,
// on the performance fixtures: each pair runs A B A B, and the report gives
// the medians, their same-run ratio and the peak memory of each side.
//
//   text_bench FIXTURE_DIR [ROUNDS]
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
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Sample
{
    double seconds;
    long peak_kib;
};

double since(Clock::time_point t)
{
    return std::chrono::duration<double>(Clock::now() - t).count();
}

// Runs fn in a child; fn returns the seconds its timed part took.
Sample ours(const std::function<double()>& fn)
{
    int fds[2];
    if (pipe(fds) != 0)
        abort();
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        double s = fn();
        (void)!write(fds[1], &s, sizeof s);
        _exit(0);
    }
    close(fds[1]);
    double s = -1;
    (void)!read(fds[0], &s, sizeof s);
    close(fds[0]);
    int status;
    rusage ru{};
    wait4(pid, &status, 0, &ru);
    return {s, ru.ru_maxrss};
}

// Runs a shell command with its output thrown away.
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
    double s = since(t);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        fprintf(stderr, "warning: %s exited %d\n", command.c_str(), WEXITSTATUS(status));
    return {s, ru.ru_maxrss};
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int rounds = 5;

void pair(const char* name, const std::function<Sample()>& a, const std::function<Sample()>& b, double limit)
{
    std::vector<double> ta, tb;
    long pa = 0, pb = 0;
    a();  // warm the page cache
    b();
    for (int i = 0; i < rounds; i++) {
        Sample x = a(), y = b();
        ta.push_back(x.seconds);
        tb.push_back(y.seconds);
        pa = std::max(pa, x.peak_kib);
        pb = std::max(pb, y.peak_kib);
    }
    double ma = median(ta), mb = median(tb);
    printf("%-44s %9.4f s %7ld KiB | anchor %9.4f s %7ld KiB | ratio %6.3f (limit %.2f) %s\n", name, ma, pa, mb, pb,
           ma / mb, limit, ma / mb <= limit ? "ok" : "OVER");
    fflush(stdout);
}

double read_all(const std::string& path, EFileFormat forced, int cp)
{
    CTextFile f;
    f.SetFormat(forced);
    f.SetCodePage(cp);
    auto t = Clock::now();
    if (f.Open(FileNameFromSys(path.c_str())) != 0)
        abort();
    int len;
    long long chars = 0;
    while (const wchar_t* l = f.ReadTextLine(len))
        chars += len + (l[0] == 1);
    double s = since(t);
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
        tool("iconv -f UTF-8 -t UTF-16LE '" + big + "' > '" + dir + "/bigtext.utf16le.txt'");
    if (!std::filesystem::exists(dir + "/bigtext.latin1.txt"))
        tool("iconv -c -f UTF-8 -t LATIN1 '" + big + "' > '" + dir + "/bigtext.latin1.txt'");
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
        fprintf(stderr, "usage: text_bench FIXTURE_DIR [ROUNDS]\n");
        return 2;
    }
    std::string dir = argv[1];
    if (argc > 2)
        rounds = std::max(1, atoi(argv[2]));
    make_copies(dir);
    std::string big = dir + "/bigtext.txt", u16 = dir + "/bigtext.utf16le.txt", l1 = dir + "/bigtext.latin1.txt";
    std::string csrc = dir + "/headers20m.c";
    Westring ini = FileNameFromSys(PANNEX_SYNTAX_INI);
    auto q = [](const std::string& s) { return "'" + s + "'"; };

    pair("detect bigtext.txt vs wc -l", [&] { return ours([&] {
             auto t = Clock::now();
             CTextFile f;
             if (f.Open(FileNameFromSys(big.c_str())) != 0)
                 abort();
             return since(t);
         }); }, [&] { return tool("wc -l " + q(big)); }, 0.05);

    for (const auto& [label, path] : {std::pair{"IndexLines bigtext.txt vs wc -l", big},
                                      std::pair{"IndexLines UTF-16LE copy vs wc -l", u16}})
        pair(label, [&, path = path] { return ours([&] {
                 auto t = Clock::now();
                 CTextFile f;
                 if (f.Open(FileNameFromSys(path.c_str())) != 0)
                     abort();
                 std::vector<long long> starts;
                 if (f.IndexLines(starts) != 0 || starts.empty())
                     abort();
                 return since(t);
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
             auto t = Clock::now();
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
             return since(t);
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
             auto t = Clock::now();
             for (const auto& l : lines)
                 hl.ProcessLine(l.c_str(), static_cast<int>(l.size()), &cells);
             return since(t);
         }); }, [&] { return tool("source-highlight -s c -f esc -i " + q(csrc) + " -o /dev/null"); }, 0.5);

    // The viewer's pages: the first, End from an empty store, and PgUp.
    auto open_page = [&](CTextFile& f, SyntaxHighlighter& hl) {
        if (f.Open(FileNameFromSys(big.c_str())) != 0 || !hl.LoadDef(ini, L"bigtext.c"))
            abort();
    };
    std::vector<double> first, end, up;
    for (int r = 0; r < rounds + 1; r++) {
        Sample s1 = ours([&] {
            auto t = Clock::now();
            CTextFile f;
            SyntaxHighlighter hl;
            CSyntaxStateStore store;
            open_page(f, hl);
            show_page(f, hl, store, 0);
            return since(t);
        });
        // End, then the PgUp times written after it through a file.
        std::string times = dir + "/bench-pgup.times";
        Sample s2 = ours([&] {
            auto t = Clock::now();
            CTextFile f;
            SyntaxHighlighter hl;
            CSyntaxStateStore store;
            open_page(f, hl);
            long long top = back_lines(f, f.KnownSize(), PageLines);
            show_page(f, hl, store, top);
            double e = since(t);
            std::ofstream out(times);
            for (int i = 0; i < 100; i++) {
                auto u = Clock::now();
                top = back_lines(f, top, PageLines);
                show_page(f, hl, store, top);
                out << since(u) << "\n";
            }
            return e;
        });
        if (r == 0)
            continue;
        first.push_back(s1.seconds);
        end.push_back(s2.seconds);
        std::ifstream in(times);
        for (double d; in >> d;)
            up.push_back(d);
        std::filesystem::remove(times);
    }
    double mf = median(first), me = median(end);
    std::sort(up.begin(), up.end());
    printf("%-44s %9.6f s\n", "first page of bigtext.txt as C", mf);
    printf("%-44s %9.6f s ratio %6.3f (limit 3.00) %s\n", "End page from an empty store", me, me / mf,
           me / mf <= 3 ? "ok" : "OVER");
    printf("%-44s median %9.6f s, worst %9.6f s, ratio of worst %6.3f (limit 1.50) %s\n", "each of 100 PgUp",
           up[up.size() / 2], up.back(), up.back() / mf, up.back() / mf <= 1.5 ? "ok" : "OVER");

    Sample all = ours([&] {
        CTextFile f;
        SyntaxHighlighter hl;
        CSyntaxStateStore store;
        open_page(f, hl);
        auto t = Clock::now();
        long long size = f.KnownSize();
        for (long long top = 0; top < size;)
            top = show_page(f, hl, store, top);
        double s = since(t);
        printf("%-44s %9.3f s, store %zu bytes = %.4f%% of %lld (limit 1%%)\n", "paging through all of bigtext.txt", s,
               store.MemoryBytes(), 100.0 * static_cast<double>(store.MemoryBytes()) / static_cast<double>(size),
               size);
        fflush(stdout);
        return s;
    });
    printf("%-44s peak %ld KiB\n", "paging through all", all.peak_kib);
    return 0;
}

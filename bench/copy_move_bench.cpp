// Copy, move and delete beside the system's tools, on one file system.
//
//     copy_move_bench DIR [SHM_DIR]
//     copy_move_bench --tree SRC DST    (one headless F5 of a tree)
//     copy_move_bench --delete DIR      (one headless F8 of a tree)
//     copy_move_bench --one SRC DST     (one headless F5, its seconds;
//                                        copy_window_bench.sh compares the
//                                        real window with it)
//
// PXBENCH_BIG sets the big file's size for a quick look (default 2G, as
// head -c takes it); PXBENCH_ONLY=overwrite times only the first pair,
// PXBENCH_ONLY=descriptions only the descript.ion pair;
// PXBENCH_ROUNDS the rounds (default 3, medians reported).
//
// DIR must be on the file system to measure (ext4); SHM_DIR (default
// /dev/shm) is the other file system of the move. The data set: one 2 GiB
// incompressible file and a tree of 52,000 entries (50,000 files of 0-8
// KiB in 2,000 directories). Each pair runs A B, B A, A B in one run; the
// figures are ratios of the same run. px's side runs the commands' item
// routines headless, the progress window drawn into a console without a
// window by its refresh thread, as in px; the dialogs are left out.
//
// Before each timing: the source is read once (warm), everything is synced,
// a short pause follows, and 2 GiB of memory is faulted in and freed.
// Every copy on the measured file system is made before any deletion
// there, since freshly freed inodes make new files slower.

#include "console/console.h"
#include "fileops/copy_move.h"
#include "fileops/copy_status.h"
#include "fileops/delete.h"
#include "fileops/directory_usage.h"
#include "fileops/file_globals.h"
#include "config/config.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double seconds(const std::function<void()>& f)
{
    auto start = Clock::now();
    f();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void shell(const std::string& command)
{
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "failed: %s\n", command.c_str());
}

// The page cache of the source warm, the disk quiet, and memory ready for
// the next timing. This machine's virtual memory hands freed pages back to
// its host about two seconds after they are freed (free page reporting), and
// a page handed back is slow to use again: so the pause comes first, then 2
// GiB are faulted in and freed just before the timing starts, and the
// command fills its page cache with memory the host still backs. (Faulted
// in before the pause, that memory was handed back during it: a new 2 GiB
// file then took 5 s where a rewritten one, reusing its own freed pages,
// took 1.5 s.)
void prepare(const std::string& warm)
{
    if (!warm.empty())
        shell("cat " + warm + " > /dev/null 2>&1 || tar cf - -C " + warm + " . > /dev/null");
    sync();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    constexpr size_t Prefault = 2ull << 30;
    char* p = std::getenv("PXBENCH_NOPREFAULT") ? nullptr : static_cast<char*>(std::malloc(Prefault));
    if (p) {
        for (size_t i = 0; i < Prefault; i += 4096)
            p[i] = 1;
        std::free(p);
    }
}

Westring wide(const std::string& s)
{
    return FileNameFromSys(s.c_str());
}

// The size pass and the copy of one item, as F5 runs them.
int px_copy(const std::string& src, const std::string& dst, bool tree)
{
    ResetFileGlobals();
    file_globals.overwrite_mode = OverwriteAlways;
    copy_status status;
    if (tree) {
        DirectoryUsage usage;
        (void)dirUsage(wide(src), usage);
        status.total = usage.bytes;
    }
    status.start_time = copy_status::clock();
    CDescriptionSet d;
    int r = copy_file(wide(src), wide(dst), 1, 1, &status, d);
    (void)d.Flush();
    return r;
}

int px_move(const std::string& src, const std::string& dst)
{
    ResetFileGlobals();
    copy_status status;
    DirectoryUsage usage;
    (void)dirUsage(wide(src), usage);
    status.total = usage.bytes;
    status.start_time = copy_status::clock();
    CDescriptionSet d;
    int r = move_file(wide(src), wide(dst), 1, 1, &status, d);
    (void)d.Flush();
    return r;
}

int px_delete(const std::string& dir)
{
    ResetFileGlobals();
    CDescriptionSet d;
    int r = delete_dir(wide(dir), L"*", nullptr, &d);
    (void)d.Flush();
    return r;
}

void make_tree(const std::string& root, bool descriptions)
{
    mkdir(root.c_str(), 0755);
    std::vector<char> data(8192);
    unsigned seed = 12345;
    for (auto& c : data)
        c = static_cast<char>(seed = seed * 1103515245 + 12345);
    int file = 0;
    for (int d = 0; d < 2000; d++) {
        std::string dir = root + "/d" + std::to_string(d);
        mkdir(dir.c_str(), 0755);
        std::string desc;
        for (int f = 0; f < 25; f++, file++) {
            std::string name = "f";
            name += std::to_string(f);
            int fd = open((dir + "/" + name).c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
            size_t size = static_cast<size_t>(file * 7919 % 8193);
            if (fd >= 0) {
                if (write(fd, data.data(), size) != static_cast<ssize_t>(size))
                    std::perror("write");
                close(fd);
            }
            desc += name + " Description of " + name + "\r\n";
        }
        if (descriptions) {
            int fd = open((dir + "/descript.ion").c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
            if (fd >= 0) {
                if (write(fd, desc.data(), desc.size()) != static_cast<ssize_t>(desc.size()))
                    std::perror("write");
                close(fd);
            }
        }
    }
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// One pair's timings, a round each; within a round the side that goes
// first alternates, so that neither always meets the other's aftermath.
struct PAIR
{
    const char* what;
    std::vector<double> px, anchor;

    void Round(int round, const std::string& warmA, const std::function<void()>& a, const std::string& warmB,
               const std::function<void()>& b)
    {
        auto runA = [&] {
            prepare(warmA);
            px.push_back(seconds(a));
            std::printf("  %s round %d: px %.2f s\n", what, round, px.back());
        };
        auto runB = [&] {
            prepare(warmB);
            anchor.push_back(seconds(b));
            std::printf("  %s round %d: anchor %.2f s\n", what, round, anchor.back());
        };
        if (round % 2 == 0) {
            runA();
            runB();
        } else {
            runB();
            runA();
        }
    }
};

void report(const PAIR& p, const char* anchor)
{
    double a = median(p.px), b = median(p.anchor);
    std::printf("%-44s px %8.2f s  %-16s %8.2f s  ratio %.3f  (medians of %zu)\n", p.what, a, anchor, b,
                b > 0 ? a / b : 0, p.px.size());
    std::fflush(stdout);
}

}

int main(int argc, char** argv)
{
    if (argc == 4 && (std::strcmp(argv[1], "--one") == 0 || std::strcmp(argv[1], "--tree") == 0)) {
        set_config_defaults(config);
        console.SetSize(80, 25, "", 0);
        bool tree = argv[1][2] == 't';
        double t = seconds([&] { px_copy(argv[2], argv[3], tree); });
        std::printf("%.4f\n", t);
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "--delete") == 0) {
        set_config_defaults(config);
        config.Confirmations = ConfirmDeleteFile | ConfirmDeleteTagged | ConfirmDeleteTree | ConfirmYesPrompt;
        console.SetSize(80, 25, "", 0);
        double t = seconds([&] { px_delete(argv[2]); });
        std::printf("%.4f\n", t);
        return 0;
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR [SHM_DIR]\n", argv[0]);
        return 2;
    }
    std::string base = std::string(argv[1]) + "/pxbench";
    std::string shm = std::string(argc > 2 ? argv[2] : "/dev/shm") + "/pxbench";
    set_config_defaults(config);
    // F8 as with its confirmations switched off: nothing waits for keys.
    config.Confirmations = ConfirmDeleteFile | ConfirmDeleteTagged | ConfirmDeleteTree | ConfirmYesPrompt;
    console.SetSize(80, 25, "", 0);
    shell("rm -rf " + base + " " + shm);
    mkdir(base.c_str(), 0755);
    mkdir(shm.c_str(), 0755);
    std::string big = base + "/big", tree = base + "/tree", described = base + "/described";
    std::printf("making the data set in %s\n", base.c_str());
    std::fflush(stdout);
    const char* bigSize = std::getenv("PXBENCH_BIG");
    const char* only = std::getenv("PXBENCH_ONLY");
    // PXBENCH_ONLY=descriptions times only the descript.ion pair.
    bool descOnly = only && std::strcmp(only, "descriptions") == 0;
    bool all = !only || (std::strcmp(only, "overwrite") != 0 && !descOnly);
    if (!descOnly)
        shell("head -c " + std::string(bigSize ? bigSize : "2G") + " /dev/urandom > " + big);
    if (all || descOnly) {
        make_tree(tree, false);
        make_tree(described, true);
    }

    PAIR overwrite{"F5 over an existing 2 GiB file (vs cp + sync)"}, fresh{"F5 of 2 GiB to a new file (vs cp)"},
        copytree{"F5 of the tree, size pass included (vs cp -r)"}, deltree{"F8 of the tree (vs rm -rf)"},
        desctree{"F5 of the tree with descript.ion (vs without)"},
        movefile{"F6 of 2 GiB to another file system (vs mv)"};
    const char* roundsText = std::getenv("PXBENCH_ROUNDS");
    const int rounds = roundsText ? std::max(1, std::atoi(roundsText)) : 3;
    for (int round = 0; round < rounds; round++) {
        std::string r = std::to_string(round);
        if (descOnly) {
            desctree.Round(
                round, described, [&] { px_copy(described, base + "/desc.px" + r, true); }, tree,
                [&] { px_copy(tree, base + "/nodesc.px" + r, true); });
            continue;
        }
        // Every copy on the measured file system first.
        shell("cp " + big + " " + base + "/over.px" + r + " && cp " + big + " " + base + "/over.cp" + r);
        overwrite.Round(
            round, big,
            [&] {
                if (std::getenv("PXBENCH_CHILD"))
                    shell(std::string(argv[0]) + " --one " + big + " " + base + "/over.px" + r + " > /dev/null");
                else
                    px_copy(big, base + "/over.px" + r, false);
            },
            big,
            [&] { shell("cp " + big + " " + base + "/over.cp" + r + " && sync " + base + "/over.cp" + r); });
        if (!all)
            continue;
        fresh.Round(
            round, big, [&] { px_copy(big, base + "/new.px" + r, false); }, big,
            [&] { shell("cp " + big + " " + base + "/new.cp" + r); });
        copytree.Round(
            round, tree, [&] { px_copy(tree, base + "/tree.px" + r, true); }, tree,
            [&] { shell("cp -r " + tree + " " + base + "/tree.cp" + r); });
        desctree.Round(
            round, described, [&] { px_copy(described, base + "/desc.px" + r, true); }, tree,
            [&] { px_copy(tree, base + "/nodesc.px" + r, true); });
    }
    for (int round = 0; all && round < rounds; round++) {
        std::string r = std::to_string(round);
        // The two trees were made by px and by cp -r, whose layouts on
        // disk differ: each side deletes one of each over the rounds.
        std::string mine = base + (round % 2 == 0 ? "/tree.px" : "/tree.cp") + r;
        std::string theirs = base + (round % 2 == 0 ? "/tree.cp" : "/tree.px") + r;
        deltree.Round(
            round, "", [&] { px_delete(mine); }, "", [&] { shell("rm -rf " + theirs); });
        shell("cp " + big + " " + base + "/move.px && cp " + big + " " + base + "/move.mv");
        movefile.Round(
            round, base + "/move.px", [&] { px_move(base + "/move.px", shm + "/move.px"); }, base + "/move.mv",
            [&] { shell("mv " + base + "/move.mv " + shm + "/move.mv"); });
        shell("rm -f " + shm + "/move.px " + shm + "/move.mv");
    }
    report(overwrite, "cp + sync FILE");
    report(fresh, "cp");
    report(copytree, "cp -r");
    report(deltree, "rm -rf");
    report(desctree, "without");
    report(movefile, "mv");
    shell("rm -rf " + base + " " + shm);
    return 0;
}

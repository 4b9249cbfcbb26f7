// The archiver commands beside one run of the archiver itself, A B A B in
// one run, ratios of the same run:
//   F5 of a zip's root into an empty directory  vs  unzip -q -d into a fresh one
//   F8 of 1,000 tagged members                   vs  one zip -d naming them
//
//     archive_commands_bench DIR [ZIP|-] [ROUNDS]
//
// "-" for ZIP runs the F8 pair alone.
// DIR is scratch space. ZIP defaults to the fixtures' members100k.zip;
// without it the bench makes its own tree of 100,000 files in 4,000
// directories under DIR and zips it (zip -q -X -@ from a sorted find).
// px's side runs the commands as F5 and F8 do, headless: ExecMultiFile
// with the table's templates, then the moves of the root's items with
// move_file; the archiver's output goes to /dev/null on both sides.

#include "archive/archive.h"
#include "archive/archive_extract.h"
#include "archive/archiver_command.h"
#include "config/ini_file.h"
#include "fileops/copy_move.h"
#include "fileops/descriptions.h"
#include "fileops/file_globals.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

int quiet(const Westring& command, int)
{
    std::string line = FileNameToSys(command).c_str();
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

int sh(const std::string& command)
{
    return std::system(command.c_str());
}

double seconds(const std::function<void()>& f)
{
    auto t = Clock::now();
    f();
    return std::chrono::duration<double>(Clock::now() - t).count();
}

// F5 of every root item of zip into target.
void px_extract_root(const std::string& zip, const std::string& target)
{
    CArchiveUI ui;
    Archive a(FileNameFromSys(zip.c_str()), nullptr, ArchiveSettings{}, &ui);
    std::vector<ArchiveItem> items;
    std::vector<Westring> names;
    ArchiveListEntry e;
    if (a.FindFirst(Westring(), e) == 0) {
        do {
            if (std::wcscmp(e.name.c_str(), L"..") == 0)
                continue;
            const ArchiveEntry* m = a.FindMember(Westring(), e.name);
            ArchiveItem item = m ? member_item(*m) : ArchiveItem();
            if (!m)
                item.name = e.name;
            item.directory = e.IsDirectory();
            items.push_back(item);
            names.push_back(e.name);
        } while (a.FindNext(e) == 0);
    }
    std::string scratch = target + "/.px-extract-bench";
    mkdir(scratch.c_str(), 0700);
    char here[4096];
    if (!getcwd(here, sizeof here) || chdir(scratch.c_str()) != 0)
        return;
    Westring cmd(Archiver[ArchZip].value[ARCHIVER::Extract].c_str());
    (void)!FindArchiver(cmd, false);
    if (ExecMultiFile(cmd, a.archivePath, Westring(), items, ArchZip, ArchiveOpExtract) != 0)
        std::fprintf(stderr, "extraction failed\n");
    (void)!chdir(here);
    ResetFileGlobals();
    CDescriptionSet descriptions;
    int count = static_cast<int>(names.size());
    for (int i = 0; i < count; i++)
        (void)move_file(FileNameFromSys(scratch.c_str()) + L"/" + names[static_cast<size_t>(i)],
                        FileNameFromSys(target.c_str()) + L"/" + names[static_cast<size_t>(i)], i + 1, count, nullptr,
                        descriptions);
    rmdir(scratch.c_str());
}

// F8 of the members named in names (stored names).
void px_delete(const std::string& zip, const std::vector<std::string>& names)
{
    std::vector<ArchiveItem> items;
    for (const std::string& n : names) {
        ArchiveItem item;
        item.name = FileNameFromSys(n.c_str());
        items.push_back(item);
    }
    Westring cmd(Archiver[ArchZip].value[ARCHIVER::Delete].c_str());
    if (ExecMultiFile(cmd, FileNameFromSys(zip.c_str()), Westring(), items, ArchZip, ArchiveOpCompress) != 0)
        std::fprintf(stderr, "delete failed\n");
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR [ZIP]\n", argv[0]);
        return 2;
    }
    std::string dir = argv[1];
    std::string zip = argc > 2 ? argv[2] : "/tmp/pxperf/archives/members100k.zip";
    InitializeArchivers();
    archive_runner = quiet;
    if (zip != "-" && access(zip.c_str(), R_OK) != 0) {
        zip = dir + "/members100k.zip";
        if (zip != "-" && access(zip.c_str(), R_OK) != 0) {
            std::fprintf(stderr, "making %s\n", zip.c_str());
            sh("cd '" + dir + "' && mkdir -p tree && cd tree && python3 -c '\n"
               "import os\n"
               "for d in range(4000):\n"
               "    p = \"d%02d/e%04d\" % (d % 40, d)\n"
               "    os.makedirs(p, exist_ok=True)\n"
               "    for f in range(25):\n"
               "        open(\"%s/f%02d.txt\" % (p, f), \"w\").write(\"x\" * ((d * 25 + f) % 512))\n"
               "' && find . -mindepth 1 | sed 's|^./||' | LC_ALL=C sort | zip -q -X -@ ../members100k.zip");
        }
    }
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 2;
    std::vector<double> pxs, uns;
    for (int r = 0; r < rounds && zip != "-"; r++) {
        std::string a = dir + "/px" + std::to_string(r), b = dir + "/un" + std::to_string(r);
        sh("rm -rf '" + a + "' '" + b + "'; mkdir -p '" + a + "'; sync");
        pxs.push_back(seconds([&] { px_extract_root(zip, a); }));
        sh("sync");
        uns.push_back(seconds([&] { sh("unzip -q -d '" + b + "' '" + zip + "'"); }));
        sh("rm -rf '" + a + "' '" + b + "'");
    }
    if (zip != "-")
        std::printf("F5 root of %s: px %.2f s, unzip -q -d %.2f s, ratio %.2f\n", zip.c_str(), median(pxs),
                median(uns), median(pxs) / median(uns));

    // 1,000 of 2,000 small members.
    std::string src = dir + "/del";
    sh("rm -rf '" + src + "'; mkdir -p '" + src + "' && cd '" + src +
       "' && for i in $(seq -w 0 1999); do echo $i > member_with_a_longer_name_$i.txt; done"
       " && zip -q -X ../del.zip member_*.txt");
    std::vector<std::string> names;
    std::string list;
    for (int i = 0; i < 2000; i += 2) {
        char n[64];
        std::snprintf(n, sizeof n, "member_with_a_longer_name_%04d.txt", i);
        names.push_back(n);
        list += std::string(" ") + n;
    }
    std::vector<double> pxd, zd;
    for (int r = 0; r < rounds; r++) {
        sh("cp '" + dir + "/del.zip' '" + dir + "/a.zip'; cp '" + dir + "/del.zip' '" + dir + "/b.zip'; sync");
        pxd.push_back(seconds([&] { px_delete(dir + "/a.zip", names); }));
        zd.push_back(seconds([&] { sh("cd '" + dir + "' && zip -d b.zip" + list + " >/dev/null"); }));
        if (sh("cmp -s '" + dir + "/a.zip' '" + dir + "/b.zip'") != 0)
            std::fprintf(stderr, "the two deletions differ\n");
    }
    std::printf("F8 of 1,000 members: px %.3f s, zip -d %.3f s, ratio %.2f\n", median(pxd), median(zd),
                median(pxd) / median(zd));
    return 0;
}

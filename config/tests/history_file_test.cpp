#include "config/command_history.h"
#include "config/history_file.h"
#include "textui/field_history.h"

#include "foundation/tests/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class HistoryFile : public ::testing::Test
{
protected:
    void TearDown() override
    {
        chmod(dir.c_str(), 0700);
        history_file = Westring();
        history.DestroyAll();
    }
    void write(const std::string& bytes) const { tmp.write("px.hst", bytes); }
    std::string read() const { return TempDir::read(path); }
    Westring wpath() const { return FileNameFromSys(path.c_str()); }
    // Entries in the directory other than px.hst.
    int strays() const
    {
        int n = 0;
        for (const auto& e : std::filesystem::directory_iterator(dir))
            n += e.path().filename() != "px.hst";
        return n;
    }
    TempDir tmp;
    std::string dir = tmp.path, path = tmp.file("px.hst");
};

std::string narrow(const Westring& w)
{
    Estring e = FileNameToSys(w);
    return std::string(e.c_str());
}

std::string commands()
{
    std::string s;
    for (int i = 0; i < history.count; i++)
        s += narrow(*history.At(i)) + "|";
    return s;
}

std::string field_list(int list)
{
    std::string s;
    const TObjectStore<Westring>& e = field_history->Entries(list);
    for (int i = 0; i < e.count; i++)
        s += narrow(*e.At(i)) + "|";
    return s;
}

}

TEST(HistoryLine, ParsesRecords)
{
    const struct { const char* line; int result; int list; const char* text; } rows[] = {
        {"ls -l", 0, -1, "ls -l"},
        {"0\x19" "a", 0, 0, "a"},
        {"3\x19" "*.c", 0, 3, "*.c"},
        {"11\x19" "/tmp", 0, 11, "/tmp"},
        {"12\x19" "x", -1, 0, ""},        // list outside 0-11
        {"\x19" "x", 0, -1, "\x19" "x"},  // separator at 0: a command
        {"123\x19" "x", 0, -1, "123\x19" "x"},  // separator at 3: a command
        {"a\x19" "x", -1, 0, ""},         // no list number
        {"3\x19", -1, 0, ""},             // empty text
        {"   make", 0, -1, "make"},
        {"", -1, 0, ""},
        {"rm \xE4", 0, -1, "rm \xE4"},    // a raw byte stays that byte
    };
    for (const auto& r : rows) {
        HISTRECORD rec;
        size_t len = std::strlen(r.line);
        ASSERT_EQ(parse_hist_line(r.line, len, rec), r.result) << r.line;
        if (r.result == 0) {
            EXPECT_EQ(rec.list, r.list) << r.line;
            EXPECT_EQ(narrow(rec.text), r.text) << r.line;
        }
    }
    HISTRECORD rec;
    ASSERT_EQ(parse_hist_line("a\0b", 3, rec), 0);  // a NUL ends the text
    EXPECT_EQ(narrow(rec.text), "a");
    std::string longline(4096, 'x');
    EXPECT_EQ(parse_hist_line(longline.data(), longline.size(), rec), -1);
}

TEST(HistoryLine, WritesOnlyWhatReadsBackAsTheSameRecord)
{
    const struct { int list; const wchar_t* text; const char* line; } rows[] = {
        {-1, L"ls", "ls\r\n"},
        {3, L"*.c", "3\x19*.c\r\n"},
        {11, L"x", "11\x19x\r\n"},
        {-1, L"touch a\nrm -rf b", ""},  // a name with a newline in it
        {-1, L"a\rb", ""},
        {4, L"a\nb", ""},
        {-1, L"a\x19" L"b", ""},         // would read back as list "a"
        {12, L"x", ""},
        {-1, L"", ""},
    };
    for (const auto& r : rows)
        EXPECT_EQ(hist_record_line(r.list, r.text), r.line) << r.list;
    EXPECT_EQ(hist_record_line(-1, String(L'x', 4095)).size(), 4097u);
    EXPECT_EQ(hist_record_line(-1, String(L'x', 4096)), "");
    // The raw byte of a file name survives the round trip.
    EXPECT_EQ(hist_record_line(-1, FileNameFromSys("cat \xE4")), "cat \xE4\r\n");
}

TEST_F(HistoryFile, LoadsInOrderOfLastUse)
{
    using namespace std::string_literals;
    const struct { std::string file; const char* commands; const char* list3; } rows[] = {
        {"a\r\nb\r\na\r\n", "b|a|", ""},
        {"a\nb\nc", "a|b|c|", ""},  // LF only, no final line end
        {"ls\r\n3\x19x\r\n3\x19y\r\n3\x19x\r\n12\x19z\r\n0\x19zero\n11\x19" "eleven\n", "ls|", "y|x|"},
        {"", "", ""},
        {"\0\0\xff\xfe\r\n\xff\xfe\n\n\x01\x02"s, "\xff\xfe|\x01\x02|", ""},  // binary: a NUL ends a line's text
        {"cat \xE4\r\n", "cat \xE4|", ""},
    };
    for (const auto& r : rows) {
        write(r.file);
        init_history(wpath(), 500);
        EXPECT_EQ(commands(), r.commands) << r.file;
        EXPECT_EQ(field_list(3), r.list3) << r.file;
    }
    EXPECT_EQ(field_list(0), "");
    write(rows[2].file);
    init_history(wpath(), 500);
    EXPECT_EQ(field_list(0), "zero|");
    EXPECT_EQ(field_list(11), "eleven|");
    // A missing file is an empty history and stays missing.
    remove(path.c_str());
    init_history(wpath(), 500);
    EXPECT_EQ(commands(), "");
    EXPECT_NE(access(path.c_str(), F_OK), 0);
}

TEST_F(HistoryFile, AppendsEachNewCommandAndFieldText)
{
    init_history(wpath(), 500);
    // Each command once, at its latest use; blanks trimmed, empty ones
    // dropped, case kept apart; a newline is kept in memory, not written.
    for (const wchar_t* c : {L"make", L"  ls", L"make", L"", L"   ", L"Make", L"echo a\nb"})
        add_hist(c);
    field_history->Add(7, L"*.txt");
    EXPECT_EQ(commands(), "ls|make|Make|echo a\nb|");
    EXPECT_EQ(read(), "make\r\nls\r\nmake\r\nMake\r\n7\x19*.txt\r\n");
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    init_history(wpath(), 500);
    EXPECT_EQ(commands(), "ls|make|Make|");
    EXPECT_EQ(field_list(7), "*.txt|");
}

TEST_F(HistoryFile, CompactsAboveMaxHist)
{
    std::string file;
    for (int i = 1; i <= 5; i++)
        file += "c" + std::to_string(i) + "\r\n";
    for (int i = 1; i <= 25; i++)
        file += "3\x19t" + std::to_string(i) + "\n";
    file += "5\x19" "five\r\n";
    write(file);
    init_history(wpath(), 3);
    EXPECT_EQ(commands(), "c3|c4|c5|");
    std::string want = "c3\r\nc4\r\nc5\r\n";
    for (int i = 6; i <= 25; i++)
        want += "3\x19t" + std::to_string(i) + "\r\n";
    want += "5\x19" "five\r\n";
    EXPECT_EQ(read(), want);
    // Texts of a field list are not trimmed in memory.
    EXPECT_EQ(field_history->Entries(3).count, 25);
    // At or below MaxHist nothing is rewritten.
    init_history(wpath(), 3);
    EXPECT_EQ(read(), want);
}

TEST_F(HistoryFile, KeepsASymbolicLinkAndTheMode)
{
    std::string real = tmp.write("real.hst", "a\r\nb\r\nc\r\n");
    chmod(real.c_str(), 0640);
    ASSERT_EQ(symlink("real.hst", path.c_str()), 0);
    init_history(wpath(), 1);
    struct stat st;
    ASSERT_EQ(lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(read(), "c\r\n");
}

TEST_F(HistoryFile, RemovesEveryOccurrenceAndKeepsOtherLines)
{
    write("ls\r\n7\x19ls\r\nmake\nls\r\nls -l\r\n");
    init_history(wpath(), 500);
    // Another instance appends after this one loaded.
    ASSERT_EQ(hist_append(wpath(), "late\r\n"), 0);
    ASSERT_EQ(RemoveFromHistory(L"ls"), 0);
    EXPECT_EQ(read(), "7\x19ls\r\nmake\r\nls -l\r\nlate\r\n");
}

// Two instances append while a third compacts: every record arrives once,
// whole, with its CR LF.
TEST_F(HistoryFile, ConcurrentAppendsSurviveCompaction)
{
    write("first\r\n");
    const int per_writer = 2000;
    pid_t pids[3];
    for (int w = 0; w < 3; w++) {
        pids[w] = fork();
        ASSERT_GE(pids[w], 0);
        if (pids[w] == 0) {
            int bad = 0;
            if (w < 2) {
                for (int i = 0; i < per_writer; i++) {
                    std::string rec = "w" + std::to_string(w) + "-" + std::to_string(i) + " " + std::string(40, 'x') + "\r\n";
                    bad |= hist_append(wpath(), rec) != 0;
                }
            } else {
                for (int k = 0; k < 2; k++)
                    bad |= hist_rewrite(wpath(), [](const std::string& cur, std::string& out) {
                        HISTLOAD load;
                        load_hist_text(cur.data(), cur.size(), load);
                        out = compact_hist_text(load, 1000000);
                        return true;
                    }) != 0;
            }
            _exit(bad);
        }
    }
    for (pid_t p : pids) {
        int status = -1;
        ASSERT_EQ(waitpid(p, &status, 0), p);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::string text = read();
    std::multiset<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        ASSERT_NE(end, std::string::npos) << "a line without CR LF at " << start;
        std::string l = text.substr(start, end - start);
        ASSERT_EQ(l.find('\n'), std::string::npos);
        lines.insert(l);
        start = end + 2;
    }
    EXPECT_EQ(lines.size(), 2u * per_writer + 1);
    EXPECT_EQ(lines.count("first"), 1u);
    for (int w = 0; w < 2; w++)
        for (int i = 0; i < per_writer; i++)
            ASSERT_EQ(lines.count("w" + std::to_string(w) + "-" + std::to_string(i) + " " + std::string(40, 'x')), 1u)
                << w << " " << i;
    EXPECT_EQ(strays(), 0);
}

// A rewrite that cannot complete leaves the old file byte for byte.
TEST_F(HistoryFile, FailedRewriteLeavesTheOldFile)
{
    std::string old = "a\r\nb\r\nc\r\nd\n";
    std::string bigger(100000, 'y');
    for (int how = 0; how < 2; how++) {
        write(old);
        if (how == 0) {
            if (geteuid() == 0) {
                ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
            }
            ASSERT_EQ(chmod(dir.c_str(), 0555), 0);
        }
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            if (how == 0) {
                // A read-only directory; root would write through it, so the
                // child gives up its rights first.
                if (geteuid() == 0 && setresuid(65534, 65534, 65534) != 0)
                    _exit(99);
            } else {
                signal(SIGXFSZ, SIG_IGN);
                struct rlimit lim = {4096, 4096};
                setrlimit(RLIMIT_FSIZE, &lim);
            }
            int err = hist_rewrite(wpath(), [&](const std::string&, std::string& out) {
                out = bigger;
                return true;
            });
            _exit(err == 0 ? 0 : 1);
        }
        int status = -1;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        chmod(dir.c_str(), 0700);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << how << " status " << status;
        EXPECT_EQ(read(), old) << how;
        EXPECT_EQ(strays(), 0) << how;
    }
}

TEST_F(HistoryFile, LongestCommandFollowsAddsAndRemovals)
{
    init_history(wpath(), 500);
    EXPECT_EQ(history_longest(), 0);
    const struct { const wchar_t* add; int longest; } rows[] = {
        {L"ls", 2}, {L"make all", 8}, {L"ls", 8}, {L"git status --short", 18}, {L"make all", 18},
    };
    for (const auto& r : rows) {
        add_hist(r.add);
        EXPECT_EQ(history_longest(), r.longest) << narrow(r.add);
    }
    // Removed by hand, as the history box does.
    history[history.count - 2];
    history.DestroyCurrent();
    history_changed();
    EXPECT_EQ(history_longest(), 8);
}

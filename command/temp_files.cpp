#include "command/temp_files.h"

#include "fileops/path_grammar.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string private_dir;
std::vector<std::string> made;
unsigned sequence = 0;

}

int PrivateTmpDir(Westring& dir)
{
    if (private_dir.empty()) {
        // TMPDIR is the Unix convention; the older TMP and TEMP that TmpDir
        // also reads are honoured the same way.
        std::string tmpl = FileNameToSys(TmpDir().AppendBackslash()).c_str();
        tmpl += "pxXXXXXX";
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back(0);
        if (!mkdtemp(buf.data()))
            return errno;
        private_dir = buf.data();
    }
    dir = FileNameFromSys(private_dir.c_str());
    return 0;
}

int MakeTmpFile(Westring& name, int& fd)
{
    Westring dir;
    if (int err = PrivateTmpDir(dir))
        return err;
    for (int attempt = 0; attempt < 1000; attempt++) {
        std::string path = private_dir + "/PX#" + std::to_string(getpid() % 65536) + "." + std::to_string(sequence++);
        fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            made.push_back(path);
            name = FileNameFromSys(path.c_str());
            return 0;
        }
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

int ReserveTmpName(const wchar_t* file_name, Westring& name)
{
    Westring dir;
    if (int err = PrivateTmpDir(dir))
        return err;
    name = dir.AppendBackslash() + file_name;
    std::string path = FileNameToSys(name).c_str();
    // Whatever an earlier command of this run left there goes first, so
    // that what is read afterwards is this command's answer.
    if (unlink(path.c_str()) != 0 && errno != ENOENT)
        return errno;
    made.push_back(path);
    return 0;
}

void CleanupTmpFiles()
{
    for (const std::string& path : made)
        unlink(path.c_str());
    made.clear();
}

void RemovePrivateTmpDir()
{
    CleanupTmpFiles();
    if (!private_dir.empty()) {
        rmdir(private_dir.c_str());
        private_dir.clear();
    }
}

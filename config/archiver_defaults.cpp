#include "config/ini_file.h"

namespace {

// The default command lines, read for Debian's archivers. Where the
// classic table assumed DOS tools, these are the choices made:
// - ZIP: "zip -d" and unzip take names as patterns, so the commands
//   bracket-quote pattern characters in member names; the directory
//   template "! !/*" names the directory entry and its contents, which
//   serves adding ("docs/*" matches nothing more on disk) and deleting
//   (with "!" alone, zip -d removes only the "docs/" entry).
// - RAR: Debian has no rar; unar extracts and reads no list file.
// - LHARC: lha (lhasa) takes "x archive names", no DOS switches; adding and
//   deleting need a writing lha (jlha-utils) behind Debian's alternative.
// - ARJ: "-y", or arj stops to ask before making each directory and
//   the run fails with no one at its terminal to answer; "-p1", so that
//   "docs/*" takes the subdirectories too and "a.txt" only the root's.
// - ACE: unace only extracts, and only whole archives.
// - ZIP's list-file switch has no blank at its end: px.ini values are
//   trimmed, and the shell needs none before the list file.
// - TAR: names from the list file are taken verbatim, so a listed "-T" is
//   a name, not an option.
// - 7ZIP: "-spd" makes names literal, else "7z d t.7z '*'" empties it.
constexpr const char* defaults[10][ARCHIVER::KeyCount] = {
    // Extract, ExtractListfileSwitch, Compress, CompressListfileSwitch,
    // Delete, CompressDirSpec, ExtractDirSpec
    {"unzip --z", "", "zip -r", "-@ <", "zip -d", "! !/*", "!/*"},
    {"unar -q -D", "", "rar a -std -r0", "@", "rar d -std -r", "!", "!"},
    {"lha x", "", "lha a", "", "lha d", "!/*", "!/*"},
    {"arj x -y -p1", "!", "arj a -r -y", "!", "arj d -y -p1", "!/*", "!/*"},
    {"unace x -y", "", "", "", "", "!", "!"},
    {"ha x", "", "ha ar", "", "ha d", "!/*", "!/*"},
    {"gzip -dc %a > %f", "", "gzip -c %f > %a", "", "", "", ""},
    {"tar -xf", "--verbatim-files-from --files-from=", "tar -rf", "--verbatim-files-from --files-from=",
     "tar --delete -f", "!", "!"},
    {"7z x", "@", "7z a -spd", "@", "7z d -spd", "!", "!"},
    {"bzip2 -dc %a > %f", "", "bzip2 -c %f > %a", "", "", "", ""},
};

} // namespace

void InitializeArchivers()
{
    for (int t = 0; t < 10; t++)
        for (int k = 0; k < ARCHIVER::KeyCount; k++)
            Archiver[t].value[k] = defaults[t][k];
}

#ifndef PANNEX_FOUNDATION_TESTS_TEMP_DIR_H
#define PANNEX_FOUNDATION_TESTS_TEMP_DIR_H

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

// A directory of its own for one test, removed with everything in it.
struct TempDir
{
    std::string path;

    TempDir()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "pxtest.XXXXXX").string();
        path = mkdtemp(tmpl.data()) ? tmpl : std::string();
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }

    std::string file(const std::string& name) const { return path + "/" + name; }
    // Creates or replaces a file with exactly these bytes; its full name.
    std::string write(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(file(name), std::ios::binary) << bytes;
        return file(name);
    }
    static std::string read(const std::string& full)
    {
        std::ifstream in(full, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

// Bytes that tell their own position and are never 0xFF (the mark of an
// unreadable byte), so any misplaced read shows.
inline std::string pattern(long long n)
{
    std::string s(static_cast<size_t>(n), 0);
    for (long long i = 0; i < n; i++)
        s[static_cast<size_t>(i)] = static_cast<char>(i % 251);
    return s;
}

#endif

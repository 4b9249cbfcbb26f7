// syntax.ini files from the fuzzer, several of them including each other,
// loaded and used to colour a line.

#include "text/ini_stack.h"
#include "text/syntax_highlighter.h"

#include <map>
#include <string>

namespace {

// The input holds up to eight files separated by "\x01"; file i is
// "/f/i" and may include any other ("!include 3").
class FuzzIni : public CIniStack
{
public:
    explicit FuzzIni(const std::vector<std::string>& f) : files(f) {}

protected:
    class Source : public CIniSource
    {
    public:
        explicit Source(const std::string& t) : text(t) {}
        int gets(char* buf, int size) override
        {
            if (pos >= text.size())
                return -1;
            size_t n = 0;
            while (pos < text.size() && text[pos] != '\n' && text[pos] != 0 && n + 1 < static_cast<size_t>(size))
                buf[n++] = text[pos++];
            if (pos < text.size() && (text[pos] == '\n' || text[pos] == 0))
                pos++;
            buf[n] = 0;
            return 0;
        }
        const std::string& text;
        size_t pos = 0;
    };

    int OpenSource(const Westring& path, std::unique_ptr<CIniSource>& source, dev_t& dev, ino_t& ino) override
    {
        const wchar_t* p = path.c_str();
        if (wcsncmp(p, L"/f/", 3) != 0 || p[3] < L'0' || p[3] > L'7' || p[4])
            return ENOENT;
        size_t i = static_cast<size_t>(p[3] - L'0');
        if (i >= files.size())
            return ENOENT;
        source = std::make_unique<Source>(files[i]);
        dev = 1;
        ino = i;
        return 0;
    }
    void Report(const Westring&, int) override {}

private:
    const std::vector<std::string>& files;
};

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> files;
    size_t from = 0;
    while (files.size() < 8) {
        size_t cut = input.find('\x01', from);
        files.push_back(input.substr(from, cut == std::string::npos ? std::string::npos : cut - from));
        if (cut == std::string::npos)
            break;
        from = cut + 1;
    }
    FuzzIni stack(files);
    SyntaxHighlighter hl;
    hl.LoadDef(stack, L"/f/0", L"name.c");
    // The last file doubles as text to colour, line by line.
    Westring text(files.back().c_str());
    CellString cells;
    const wchar_t* p = text.c_str();
    while (*p) {
        const wchar_t* e = p;
        while (*e && *e != L'\n')
            e++;
        std::wstring line(p, e);
        hl.ProcessLine(line.c_str(), static_cast<int>(line.size()), &cells);
        p = *e ? e + 1 : e;
    }
    return 0;
}

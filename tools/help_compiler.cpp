// The help compiler, run by the build: reads the help source (UTF-8, one
// section per topic) and writes the help file px.pxh and the manual's
// index.html from it.
//
//     pannex_help_compiler SOURCE HELP_FILE MANUAL_HTML
//
// Source: a line "@topic N Title" opens topic N; the lines after it, up to
// the next "@topic", are its text; lines starting with "@#" are comments.
// Each text line must fit the help window (72 columns) and hold only
// characters of code page 850 other than control characters; anything else
// is refused with the line's number, so the help never shows a cut line or
// a replacement glyph. In the help file a topic's record holds its title,
// a rule under it and its text, with trailing blank lines dropped. The
// record for missing topics (30000) goes last, as the lookup stops there.

#include "foundation/program_name.h"
#include "foundation/westring.h"
#include "tools/help_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int MaxColumns = 72;
constexpr int MaxRecord = 32767;

struct TOPIC
{
    int number = 0;
    std::string title;               // UTF-8
    std::vector<std::string> lines;  // UTF-8
    int source_line = 0;
};

const char* source_name = "";

bool fail(int line, const char* what)
{
    std::fprintf(stderr, "%s:%d: %s\n", source_name, line, what);
    return false;
}

// The code page 850 bytes of a UTF-8 line, or false with the reason.
bool encode(const std::string& utf8, int line, std::string& out)
{
    Westring w;
    if (!w.FromUTF8(utf8.c_str()))
        return fail(line, "not valid UTF-8");
    if (w.strlen() > MaxColumns)
        return fail(line, "longer than 72 columns");
    for (int i = 0; i < w.strlen(); i++)
        if (w[i] < 0x20 || w[i] == 0x7F)
            return fail(line, "a control character (a tab?): use blanks");
    Estring bytes = w.ToCodePage(850);
    if (bytes.strlen() != w.strlen())
        return fail(line, "a character code page 850 cannot hold");
    out.assign(bytes.c_str(), static_cast<size_t>(bytes.strlen()));
    return true;
}

bool read_source(const char* path, std::vector<TOPIC>& topics)
{
    FILE* f = std::fopen(path, "rb");
    if (!f) {
        std::fprintf(stderr, "%s: %s\n", path, std::strerror(errno));
        return false;
    }
    std::string line;
    int number = 0;
    bool ok = true;
    for (int c = 0; ok;) {
        line.clear();
        while ((c = std::fgetc(f)) != EOF && c != '\n')
            line += static_cast<char>(c);
        if (c == EOF && line.empty())
            break;
        number++;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.compare(0, 2, "@#") == 0)
            continue;
        if (line.compare(0, 7, "@topic ") == 0) {
            TOPIC t;
            char* end = nullptr;
            long n = std::strtol(line.c_str() + 7, &end, 10);
            if (end == line.c_str() + 7 || n < 0 || n > 32767 || *end != ' ')
                ok = fail(number, "expected \"@topic NUMBER Title\"");
            for (const TOPIC& other : topics)
                if (other.number == n)
                    ok = fail(number, "topic given twice");
            t.number = static_cast<int>(n);
            t.title = ok ? std::string(end + 1) : std::string();
            t.source_line = number;
            topics.push_back(t);
            continue;
        }
        std::string bytes;
        if (line.compare(0, 1, "@") == 0)
            ok = fail(number, "unknown directive");
        else if (topics.empty())
            ok = line.empty() || fail(number, "text before the first @topic");
        else if ((ok = encode(line, number, bytes)))
            topics.back().lines.push_back(line);
    }
    std::fclose(f);
    for (TOPIC& t : topics)
        while (!t.lines.empty() && t.lines.back().find_first_not_of(' ') == std::string::npos)
            t.lines.pop_back();
    return ok;
}

void put_le16(std::string& out, int v)
{
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

bool build_record(const TOPIC& t, std::string& out)
{
    std::string body, bytes;
    if (!encode(t.title, t.source_line, bytes))
        return false;
    body += bytes + '\0';
    Westring title(t.title.c_str());
    body += std::string(static_cast<size_t>(title.strlen()), '\xC4') + '\0';  // the rule, U+2500 in 850
    body += '\0';
    for (const std::string& line : t.lines) {
        if (!encode(line, t.source_line, bytes))
            return false;
        body += bytes + '\0';
    }
    if (body.size() + 4 > MaxRecord)
        return fail(t.source_line, "topic longer than a record can hold");
    put_le16(out, t.number);
    put_le16(out, static_cast<int>(body.size() + 4));
    out += body;
    return true;
}

std::string html_escape(const std::string& s)
{
    std::string r;
    for (char c : s) {
        if (c == '&')
            r += "&amp;";
        else if (c == '<')
            r += "&lt;";
        else if (c == '>')
            r += "&gt;";
        else
            r += c;
    }
    return r;
}

std::string build_manual(const std::vector<TOPIC>& topics)
{
    std::string h = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                    "<title>" PANNEX_NAME " " PANNEX_VERSION " Manual</title>\n"
                    "<style>body{font-family:sans-serif;max-width:50em;margin:auto}"
                    "pre{font-size:100%;line-height:1.3}</style>\n</head>\n<body>\n"
                    "<h1>" PANNEX_NAME " " PANNEX_VERSION " Manual</h1>\n<ul>\n";
    for (const TOPIC& t : topics)
        if (t.number != HelpTopicMissing)
            h += "<li><a href=\"#topic-" + std::to_string(t.number) + "\">" + html_escape(t.title) + "</a></li>\n";
    h += "</ul>\n";
    for (const TOPIC& t : topics) {
        if (t.number == HelpTopicMissing)
            continue;
        h += "<h2 id=\"topic-" + std::to_string(t.number) + "\">" + html_escape(t.title) + "</h2>\n<pre>\n";
        for (const std::string& line : t.lines)
            h += html_escape(line) + "\n";
        h += "</pre>\n";
    }
    h += "</body>\n</html>\n";
    return h;
}

bool write_file(const char* path, const std::string& data)
{
    FILE* f = std::fopen(path, "wb");
    if (!f) {
        std::fprintf(stderr, "%s: %s\n", path, std::strerror(errno));
        return false;
    }
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        std::fprintf(stderr, "%s: cannot write\n", path);
        std::remove(path);
    }
    return ok;
}

}

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s SOURCE HELP_FILE MANUAL_HTML\n", argv[0]);
        return 2;
    }
    source_name = argv[1];
    std::vector<TOPIC> topics;
    if (!read_source(argv[1], topics))
        return 1;
    std::string pxh;
    const TOPIC* missing = nullptr;
    for (const TOPIC& t : topics) {
        if (t.number == HelpTopicMissing)
            missing = &t;
        else if (!build_record(t, pxh))
            return 1;
    }
    if (!missing) {
        std::fprintf(stderr, "%s: no @topic 30000 (shown for topics without help)\n", argv[1]);
        return 1;
    }
    if (!build_record(*missing, pxh))
        return 1;
    if (!write_file(argv[2], pxh) || !write_file(argv[3], build_manual(topics)))
        return 1;
    return 0;
}

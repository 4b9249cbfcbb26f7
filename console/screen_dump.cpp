#include "console/console.h"

#include <cerrno>
#include <cstdio>

// The snapshot lets tests of the real window read the screen without
// screenshots: one file, replaced atomically, in a fixed text format.

void CConsole::SetScreenDump(const char* path)
{
    dump_path = path ? path : "";
    dumped_revision = 0;
}

std::string CConsole::ScreenDumpText(int seq) const
{
    std::string out;
    char header[128];
    std::snprintf(header, sizeof header, "PXSCREEN %d %d %d %d %d %d\n", seq, columns, lines, cursor_x, cursor_y,
                  cursor_type);
    out += header;
    // A title is one line whatever it holds.
    Westring t(title);
    for (int i = 0; i < t.strlen(); i++)
        t[i] = t[i] < 0x20 ? L' ' : painted_char(t[i]);
    out += "TITLE ";
    out += t.ToUTF8().c_str();
    out += '\n';
    Westring row(static_cast<unsigned>(columns));
    for (int y = 0; y < lines; y++) {
        row = L"";
        for (int x = 0; x < columns; x++)
            row += painted_char(Cell(x, y).ch);
        out += row.ToUTF8().c_str();
        out += '\n';
    }
    static const char hex[] = "0123456789abcdef";
    for (int y = 0; y < lines; y++) {
        for (int x = 0; x < columns; x++) {
            unsigned char a = Cell(x, y).attr;
            out += hex[a >> 4];
            out += hex[a & 15];
        }
        out += '\n';
    }
    return out;
}

int CConsole::WriteScreenDump()
{
    if (dump_path.empty())
        return 0;
    int seq = dump_seq + 1;
    std::string text = ScreenDumpText(seq);
    Estring tmp = dump_path + ".tmp";
    FILE* f = std::fopen(tmp.c_str(), "w");
    if (!f)
        return errno;
    size_t written = std::fwrite(text.data(), 1, text.size(), f);
    int err = written == text.size() ? 0 : errno;
    if (std::fclose(f) != 0 && err == 0)
        err = errno;
    if (err == 0 && std::rename(tmp.c_str(), dump_path.c_str()) != 0)
        err = errno;
    if (err != 0) {
        std::remove(tmp.c_str());
        return err;
    }
    dump_seq = seq;
    dumped_revision = revision;
    return 0;
}

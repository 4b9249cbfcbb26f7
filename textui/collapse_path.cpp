#include "textui/collapse_path.h"

namespace {

// Length of the head an absolute path keeps, or 0 when there is none.
int head_length(const Westring& path)
{
    const wchar_t* p = path.c_str();
    if (p[0] != L'/')
        return 0;
    int from = 1, slashes = 1;
    if (p[1] == L'/') {
        from = 2;
        slashes = 2;
    }
    for (int i = from; p[i]; i++)
        if (p[i] == L'/' && --slashes == 0)
            return i + 1;
    return 0;
}

}

void collapse_path(Westring& path, int width)
{
    int len = path.strlen();
    if (len <= width)
        return;
    if (width <= 0) {
        path = L"";
        return;
    }
    int head = head_length(path);
    if (head > 0 && head + 3 < width) {
        path = path.left(head) + L"..." + path.right(width - head - 3);
        return;
    }
    path = path.left(width);
    path[width - 1] = 16;
}

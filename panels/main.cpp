#include "foundation/estring.h"

#include <cstdio>

// Until the console window exists, px only reports what it is.
int main()
{
    Estring banner = esprintf("Pannex %s", "0.1.0");
    std::printf("%s\n", banner.c_str());
    return 0;
}

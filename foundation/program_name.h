#ifndef PANNEX_FOUNDATION_PROGRAM_NAME_H
#define PANNEX_FOUNDATION_PROGRAM_NAME_H

// The program's own name and version, in every text it shows: the window
// title, the quit question, dialog titles and banners, and in every test that
// expects them. String literals, so that texts are put together where they
// are written: L"Are you sure you want to exit " PANNEX_NAME " ?".
#define PANNEX_NAME "Pannex"
#define PANNEX_VERSION "1.0"

#endif

#include "editor/search_settings.h"

Westring word;
Westring replaceWord;
char casesense = 0;
char reverse = 0;
char wholeWord = 0;

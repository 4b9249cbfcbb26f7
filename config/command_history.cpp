#include "config/command_history.h"

#include <cwchar>
#include <cwctype>

TObjectStore<Westring> history;

void add_hist(const wchar_t* command)
{
    while (*command && std::iswspace(static_cast<wint_t>(*command)))
        command++;
    if (!*command)
        return;
    for (int i = history.count - 1; i >= 0; i--)
        if (std::wcscmp(history.At(i)->c_str(), command) == 0) {
            history[i];
            history.DestroyCurrent();
        }
    history.AddObject(new Westring(command));
}

#ifndef PANNEX_TOOLS_HELP_FILE_H
#define PANNEX_TOOLS_HELP_FILE_H

#include "foundation/westring.h"

#include <memory>
#include <vector>

// The topic shown when a topic has no record of its own; the lookup stops
// at it.
constexpr int HelpTopicMissing = 30000;

// The help file, px.pxh, held whole in memory for the run. It is a run of
// topic records, each a little-endian 16-bit topic number, a 16-bit record
// length (the 4 header bytes included) and the topic's lines, each a string
// in code page 850 ended by a 0 byte.
//
// The file comes from outside and may be cut short or damaged: only whole
// records are kept (a length below 4 or one reaching past the end ends the
// usable part), and a last line without its 0 byte ends at its record's
// end, so no lookup reads outside the buffer.
class CHelpText
{
public:
    // Takes the file's bytes and keeps the whole records among them.
    explicit CHelpText(std::vector<unsigned char> bytes);

    // The lines of topic; of the HelpTopicMissing record when topic has no
    // record before it. False, with lines empty, when neither is found.
    bool Find(int topic, std::vector<Westring>& lines) const;
    // Whether topic has a record of its own (before HelpTopicMissing).
    bool Has(int topic) const;
    // Bytes of whole records kept.
    size_t Size() const { return usable; }

private:
    // Offset of topic's record (stopping at HelpTopicMissing), or -1.
    long long record_of(int topic, bool fallback) const;

    std::vector<unsigned char> bytes;
    size_t usable = 0;
};

// The help loaded at start-up; null when it could not be read, and then
// every help request says "Help not loaded". Logic thread.
extern std::unique_ptr<CHelpText> helptext;

// Reads path whole into helptext: 0, or the errno of the failure (EINVAL
// for a file holding no whole record), helptext then being null.
[[nodiscard]] int load_help_file(const Westring& path);
// Reads the program's help file (PXFilename's help file).
void load_help();

#endif

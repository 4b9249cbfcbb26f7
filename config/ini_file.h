#ifndef PANNEX_CONFIG_INI_FILE_H
#define PANNEX_CONFIG_INI_FILE_H

#include "config/associations.h"
#include "config/config.h"
#include "foundation/estring.h"
#include "foundation/std_file.h"
#include "foundation/string_collection.h"
#include "foundation/westring.h"

// The sections of px.ini in the order of its section table: ten archivers,
// the five association lists, the environment and the general options.
enum SectionType : int {
    SectionArchiverFirst = 0,
    SectionArchiverLast = 9,
    SectionAssociations = 10,
    SectionViewerAssociations = 11,
    SectionEditorAssociations = 12,
    SectionColours = 13,
    SectionDirectoryColours = 14,
    SectionEnvironment = 15,
    SectionGeneral = 16,
    SectionCount = 17,
};

extern const char* const section_headers[SectionCount];

// The command lines of one external archiver, as px.ini has them; the
// index is the archive type (0 ZIP .. 9 BZIP2). InitializeArchivers sets
// the defaults, [Archiver:NAME] sections override them key by key, and
// Save Setup writes all ten sections whole.
struct ARCHIVER
{
    enum Key { Extract, ExtractListfileSwitch, Compress, CompressListfileSwitch, Delete, CompressDirSpec,
               ExtractDirSpec, KeyCount };
    Estring value[KeyCount];
};
extern ARCHIVER Archiver[10];
// The px.ini keys, in the order of ARCHIVER::Key.
extern const char* const archiver_keys[ARCHIVER::KeyCount];

// Fills Archiver with the defaults.
void InitializeArchivers();

// The [Environment] lines as written (before expansion), so that saving
// writes "PATH=$PATH:/opt/bin" back as typed. Sorted by name.
extern KeyedValueSet ConfEnvText;

// The file px.ini is read from or written to: the ini file named on the
// command line (when it exists, and always for writing), else the standard
// one.
Westring decide_ini_file(bool writing);

// Opens px.ini (decide_ini_file) for reading into f; 0 or the errno.
// Writing never goes through an open file of that name: save_config
// replaces the file as a whole.
[[nodiscard]] int openini(StdFile& f);

// Appends the lines of one association section (header, "mask: value"
// lines, an empty line) to out.
void WriteAssociationSet(const AssociationSet& set, SectionType section, Estring& out);

// Reads px.ini. reload 0: every default, then the whole file, then the
// settings take effect (screen size, font). reload 1: only associations,
// environment and archivers are read again; the general options keep their
// values.
void configure(char reload);

// Interprets one line (trimmed in place); section carries the current
// section from line to line; line_number counts lines for messages.
void config_line(char* line, SectionType& section, char reload, int line_number);

sortby sort_type(const char* text);
paneldetail det_type(const char* text);
paneltype panel_type(const char* text);

// The whole file as save_config writes it, CR LF line ends (LF in the
// environment section).
Estring config_text();

// Called by save_config before it writes, to take the panels' present
// state (showing, detail, type, filter) into the settings. May be null.
extern void (*save_config_hook)();

// Writes px.ini: the text goes to a new file beside it, is flushed to the
// disk and renamed over it, so a failure at any point leaves the old file
// as it was. 0, or the errno of the failure (already reported to the user).
int save_config();

// Removes white space at both ends, in place.
void trim(char* s);
// Removes all white space, in place.
void despace(char* s);

#endif

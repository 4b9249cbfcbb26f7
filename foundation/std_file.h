#ifndef PANNEX_FOUNDATION_STD_FILE_H
#define PANNEX_FOUNDATION_STD_FILE_H

#include "foundation/estring.h"
#include "foundation/time_stamp.h"
#include "foundation/westring.h"

#include <memory>

// A buffered file with 64-bit positions that reports failures as results
// instead of throwing. Every operation returns, and records in error(), 0 for
// success, an errno value, or -1 for the end of the file.
//
// One 4 KiB buffer serves reading and writing in turn; the logical position
// (getptr) is where the caller stands, whatever the buffer holds. Not
// synchronised: one thread at a time.
class StdFile
{
public:
    // Bits of the open flags.
    enum OpenFlags : int {
        OpenRead = 1,
        OpenWrite = 2,       // with OpenRead: both
        OpenCreate = 4,      // create when missing
        OpenAppend = 8,      // do not truncate; start at the end
        OpenKeepOnExec = 16, // otherwise the descriptor is closed on exec
        OpenText = 32,       // puts writes each LF as CR LF
        OpenExecutable = 64, // a created file gets 0775 instead of 0664
        // Refuses anything but a regular file (EISDIR for a directory,
        // EINVAL otherwise). The open itself does not wait, so a FIFO
        // without a writer cannot hang the reader.
        OpenRegularOnly = 128,
    };
    static constexpr int BufferSize = 4096;

    StdFile();
    // These open at once; error() tells whether it worked.
    StdFile(const char* name, int flags, int share = 0);
    StdFile(const wchar_t* name, int flags, int share = 0);
    StdFile(const Westring& name, int flags, int share = 0);
    virtual ~StdFile();
    StdFile(const StdFile&) = delete;
    StdFile& operator=(const StdFile&) = delete;

    // Closes any open file first. A const char* name is the system's bytes
    // and is used as it is; wide names go through FileNameToSys. Opening for
    // writing without OpenAppend truncates. share is accepted and ignored.
    [[nodiscard]] virtual int open(const char* name, int flags, int share = 0);
    [[nodiscard]] int open(const wchar_t* name, int flags, int share = 0);
    [[nodiscard]] int open(const Westring& name, int flags, int share = 0);
    // An Estring would reach the Westring form and be widened as Latin-1,
    // which names another file; pass its c_str() as bytes instead.
    int open(const Estring& name, int flags, int share = 0) = delete;
    // Flushes and closes; the flush error if there was one, else the close
    // error. 0 for a file that is not open.
    virtual int close();

    // Up to n bytes; got (optional) receives the count. 0 when bytes were
    // read, -1 when none were left, else the errno of a failed read.
    [[nodiscard]] virtual int read(void* buf, int n, int* got = nullptr);
    [[nodiscard]] int write(const void* buf, int n);
    [[nodiscard]] int flush();
    // One line of at most size - 1 bytes (size >= 2) into buf. The line ends
    // at LF, at a NUL byte (both consumed) or at the size limit; trailing CR
    // and LF bytes are removed. 0 for a line, an empty one too; -1 at the
    // end of the file; or the read error.
    [[nodiscard]] virtual int gets(char* buf, int size);
    // Writes s; with OpenText every LF goes out as CR LF.
    [[nodiscard]] int puts(const char* s);
    // Writes s and one LF, whatever the text flag.
    [[nodiscard]] int putln(const char* s);

    long long getptr() const { return handlepos - buffill + bufpos; }
    // Moves within the buffer when pos lies in what was read; otherwise
    // writes what is pending and moves the descriptor.
    [[nodiscard]] int setptr(long long pos);
    [[nodiscard]] int seek(int delta) { return setptr(getptr() + delta); }
    [[nodiscard]] int rewind() { return setptr(0); }
    // The size in bytes, pending writes included; -1 on failure.
    [[nodiscard]] long long size();
    // Truncates or extends to n bytes; the position stays.
    [[nodiscard]] int changesize(long long n);

    // Modification time.
    [[nodiscard]] int timestamp(TimeStamp& t);
    [[nodiscard]] int timestamp(DOSDATE& date, DOSTIME& time);
    // Sets the modification time (to the microsecond) and the access time
    // to now. Pending writes go out first, so closing afterwards does not
    // move the time again.
    [[nodiscard]] int settimestamp(const TimeStamp& t);
    [[nodiscard]] int settimestamp(DOSDATE date, DOSTIME time);

    bool isopen() const { return fd >= 0; }
    // The descriptor, -1 when closed.
    int handle() const { return fd; }
    int error() const { return lasterror; }
    // The name last opened.
    const Westring& name() const { return fileName; }

protected:
    // Ends a line read by gets: terminates buf at len and drops trailing
    // CR and LF bytes. -1 (end of file) when nothing was read, else 0; the
    // result is also the last error.
    int finish_line(char* buf, int len, bool any);

    // Writes the pending bytes and empties the buffer, so that the
    // descriptor's offset is the logical position.
    [[nodiscard]] int sync();

    // -1 when closed: descriptor 0 is a real file when the program was
    // started with its standard input closed.
    int fd = -1;
    int lasterror = 0;

private:
    [[nodiscard]] int to_reading();
    [[nodiscard]] int to_writing();
    // Reads into the empty buffer; the count, 0 at the end, -1 with errno.
    int refill();
    void reset_buffer();

    std::unique_ptr<char[]> buffer;
    // Reading: the buffer holds the buffill bytes before handlepos and
    // bufpos is the next one to hand out. Writing: buffill is 0 and the
    // bufpos bytes pending belong at handlepos.
    int bufpos = 0;
    int buffill = 0;
    bool writing = false;
    // The descriptor's own offset.
    long long handlepos = 0;
    Westring fileName;
    bool text = false;
};

#endif

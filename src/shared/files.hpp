#pragma once
// Output streams named by role, and line-oriented input files.
#include <array>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "shared/layout.hpp"

namespace kov {

// Names of the files the run reads (the list file, the data file, batch command
// and detail files). No output file is created, emptied or deleted under one of
// these names.
void protect_name(const std::string& name);
void unprotect_name(const std::string& name);
bool is_protected(const std::string& name);
void clear_protected();

// Deletes a file unless it is protected (then FileRefused). Missing files are fine.
void delete_file(const std::string& name);
bool file_exists(const std::string& name);  // a regular file that exists
bool path_exists(const std::string& name);  // anything under that name
// Whether two names lead to the same file: a link or another spelling
// ("./a.txt") included, also for a file that does not exist yet.
bool same_file(const std::string& a, const std::string& b);

// An output text file. open_fresh follows the fresh-file rule: an existing file
// of that name is deleted first, then the file is created empty.
class OutFile {
public:
    // Returns false when the file cannot be created; throws FileRefused when
    // the name is that of a file the run reads.
    bool open_fresh(const std::string& name);
    // Opens for appending (the run-wide generic chronology files).
    bool open_append(const std::string& name);
    // Closes the file. Every write of the file is checked here, once: when
    // one failed (a full disk, a file size limit) the file is incomplete:
    // close adds it to failed_writes and throws WriteFailed, after closing it.
    void close();
    // Closes without that check: for a file that is deleted or cut back next,
    // whose unfinished part is not kept.
    void discard();
    bool is_open() const { return f_.is_open(); }
    const std::string& name() const { return name_; }

    void line(std::string_view text);   // text and end of line
    void put(std::string_view text);    // text as it stands
    template <class... Args>
    void write(std::string_view layout, const Args&... args) {
        put(fmt(layout, args...));
    }
    // Writes out what is buffered; a failed write throws WriteFailed, as in
    // close, and leaves the file open.
    void flush();

private:
    std::ofstream f_;
    std::string name_;
};

// An input text file held whole, read one line at a time: LF, CR LF, CR CR LF
// and a lone CR each end a line, in any mix, and are not part of the lines;
// backspace steps back one line, seek goes to a line read before.
class TextIn {
public:
    bool open(const std::string& name);  // false: missing, unreadable or a directory
    void close();
    bool is_open() const { return open_; }
    const std::string& name() const { return name_; }
    std::optional<std::string> read_line();
    void backspace();
    void seek(size_t line);  // the next line read is line `line` (0-based)
    void rewind() { pos_ = 0; }
    bool at_end() const { return pos_ >= spans_.size(); }
    size_t line_number() const { return pos_; }  // lines read so far

private:
    // The whole file and where each line starts and ends in it: a data file of
    // thousands of series is held once, not once more line by line.
    std::string text_;
    std::vector<std::pair<size_t, size_t>> spans_;
    size_t pos_ = 0;
    bool open_ = false;
    std::string name_;
};

// The program's streams, by role.
struct Streams {
    OutFile luout;   // main listing "_out.txt"
    OutFile lutab;   // tab-delimited table "_tabs.txt"
    OutFile lucrn;   // chronologies "_crns.txt"
    OutFile luerr;   // standard errors "_errs.txt"
    OutFile luscr;   // single-output files, one after another
    OutFile lutmp;   // scratch files
    OutFile lulog;   // batch command file "_log.txt" (written)
    OutFile luaux;   // second single-output stream (batch detail file)
    std::array<OutFile, 10> lugcrn;  // run-wide generic chronology files
    TextIn lulist;   // list of data-file names
    TextIn ludata;   // the data file in work

    // Closes every stream, keeping the files; a file whose writing failed is
    // added to failed_writes (nothing is thrown).
    void close_all();
};

// The output files whose writing failed, in the order their closes found it:
// the run ends as a failure and names each of them.
const std::vector<std::string>& failed_writes();
void clear_failed_writes();
// The "***" line that names such a file.
std::string failed_write_line(const std::string& name);

Streams& streams();

}  // namespace kov

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
// A regular file (a link to one counts) that this process may open for
// reading: a folder, a device or a file without read permission is none.
bool readable_file(const std::string& name);
// Whether two names lead to the same file: a link or another spelling
// ("./a.txt") included, also for a file that does not exist yet.
bool same_file(const std::string& a, const std::string& b);

// An output text file. open_fresh follows the fresh-file rule: an existing file
// of that name is deleted first, then the file is created empty.
class OutFile {
public:
    OutFile() = default;
    OutFile(const OutFile&) = delete;
    OutFile& operator=(const OutFile&) = delete;
    ~OutFile() { discard(); }

    // Returns false when the file cannot be created; throws FileRefused when
    // the name is that of a file the run reads.
    bool open_fresh(const std::string& name);
    // Opens for appending (the run-wide generic chronology files).
    bool open_append(const std::string& name);
    // Opens a file that the run rewrites and the user may have edited (a
    // batch command or detail file): the text goes to a new file beside it,
    // under a name no file has, and close puts it in the earlier file's place
    // only once it is written whole, with the earlier file's permissions (a
    // file only its owner may read stays so). A link is followed: the file it
    // leads to is rewritten and the link stays. A run stopped by a signal
    // (SIGINT, SIGTERM, SIGHUP, SIGQUIT) before close removes the new file
    // and ends by that signal, as it would have. false, with nothing changed,
    // when the new file cannot be created (a folder under the name, a folder
    // that cannot be written); FileRefused as for open_fresh.
    bool open_rewrite(const std::string& name);
    // Closes the file. Every write of the file is checked here, once: when
    // one failed (a full disk, a file size limit) the file is incomplete:
    // close notes it (failed_outputs) and throws WriteFailed, after closing
    // it. A rewrite that failed is removed, the earlier file stays as it was,
    // and close notes that and throws WriteFailed.
    void close();
    // Closes without that check: for a file that is deleted or cut back next,
    // whose unfinished part is not kept. A rewrite is dropped: the earlier
    // file stays.
    void discard();
    // Holds what is written in memory, for text that is looked at before it
    // is known whether it goes anywhere; held() gives it until close.
    void open_in_memory();
    const std::string& held() const { return held_; }
    bool is_open() const { return f_.is_open() || in_memory_; }
    bool is_rewrite() const { return !rewrite_.empty(); }
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
    std::string rewrite_;  // a rewrite: the new file, renamed over target_ at close
    int slot_ = -1;        // where a stop by a signal finds the new file to remove it
    std::string target_;
    std::optional<unsigned> target_mode_;  // the permission bits of the file target_ was
    bool in_memory_ = false;
    std::string held_;
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
    // noted in failed_outputs (nothing is thrown). A rewrite left unfinished
    // is dropped.
    void close_all();
};

// How an output file of the run failed.
enum class OutputFailure {
    not_created,     // it could not be created: a folder under its name, a folder that cannot be written
    incomplete,      // a write failed (a full disk, a file size limit): the file is cut short
    left_as_it_was,  // a rewrite failed: the earlier file is left as it was
    not_used,        // a file the run rewrites was refused as it read it (a faulty batch detail
                     // file): its settings were not used, and it is left as the user wrote it
};
struct FailedOutput {
    std::string name;
    OutputFailure how;
    bool reported = false;  // named already when it failed
};
// The output files that failed, each once, in the order found. The run goes
// on with its other outputs as far as it can, then ends as a failure that
// names each of them by its line.
const std::vector<FailedOutput>& failed_outputs();
void clear_failed_outputs();
std::string failed_output_line(const FailedOutput& f);
// The line of a file left incomplete.
std::string failed_write_line(const std::string& name);
// Names a failed output at once, on the console and in the listing (when one
// is open), and notes it; once for each file.
void report_output_failure(const std::string& name, OutputFailure how);
// Notes a failed output without naming it now: for a failure that ends the
// run there, so that the end of the run names it once.
void note_output_failure(const std::string& name, OutputFailure how);

// Creates an output file of the run by the fresh-file rule; one that cannot
// be created is reported (report_output_failure) and the run goes on without
// it: what is written to a file that is not open is dropped.
bool create_output(OutFile& f, const std::string& name);
// The same for a copy of the file `original`: the copy takes its permission
// bits before any text goes in, so that a file only its owner may read is not
// copied into one that everyone may read. A copy whose bits cannot be set is
// removed and reported as not created.
bool create_copy_output(OutFile& f, const std::string& name, const std::string& original);

Streams& streams();

}  // namespace kov

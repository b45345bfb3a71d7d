#pragma once
// The console: the one place the program talks to the user. Lines are written
// to an output stream and answers read from an input stream (stdin/stdout in
// the program; string streams in tests).
#include <initializer_list>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "shared/layout.hpp"

namespace kov {

class Console {
public:
    Console(std::istream& in, std::ostream& out);

    // Writes text followed by an end of line.
    void line(std::string_view text);
    // Writes text as it stands (no end of line).
    void put(std::string_view text);
    // Writes by a layout; a closing '$' keeps the cursor on the line (a prompt).
    template <class... Args>
    void write(std::string_view layout, const Args&... args) {
        put(fmt(layout, args...));
    }

    // The answer to a question. Trailing carriage returns are removed. At the
    // end of console input it writes " *** end of console input ***" and stops
    // the program with exit status 2, as "/" would.
    std::string answer();
    // An Enter-to-continue wait: the end of console input counts as Enter.
    void wait();
    // A raw read: nullopt at the end of input (no message, no stop).
    std::optional<std::string> read_line();
    // false when a write to the console failed (its output is a file on a
    // full disk or past the file size limit): what it shows is incomplete.
    bool written_whole() const;
    // The last whole line written, without its end of line: the message of
    // a procedure that writes one line and stops.
    const std::string& last_line() const { return last_line_; }

private:
    void note(std::string_view text);

    std::istream& in_;
    std::ostream& out_;
    std::string partial_;    // the line being written
    std::string last_line_;
};

// The program's console. Tests may install their own with set_console.
Console& con();
// nullptr: back to stdin/stdout. Returns the console installed before (nullptr
// for stdin/stdout), so that a caller can put it back.
Console* set_console(Console* c);

// A fatal stop after its message: writes `said` on the console as it stands,
// waits for Enter and stops the program with exit status 1, the stop carrying
// `said` (Stop::said).
[[noreturn]] void stop_after_wait(const std::string& said);

// A help page on the program's console: a blank line, then every line from
// column 2.
void help_page(std::initializer_list<std::string_view> lines);

// Removes every trailing carriage return (lines ending CR LF or CR CR LF).
void strip_cr(std::string& s);

}  // namespace kov

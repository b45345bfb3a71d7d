#pragma once
// Helpers shared by the tests: scripted consoles, temporary folders, running
// the program end to end.
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "shared/console.hpp"

namespace kovtest {

// Installs a console that reads the given answers and records what is written;
// the program's console is restored when it goes out of scope.
class ScriptedConsole {
public:
    explicit ScriptedConsole(const std::string& input);
    ~ScriptedConsole();
    std::string output() const { return out_.str(); }
    std::vector<std::string> lines() const;

private:
    std::istringstream in_;
    std::ostringstream out_;
    std::unique_ptr<kov::Console> con_;
};

// A fresh empty folder, removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return dir_; }
    std::filesystem::path operator/(const std::string& name) const { return dir_ / name; }
    void write(const std::string& name, const std::string& text) const;
    std::string read(const std::string& name) const;
    bool exists(const std::string& name) const;

private:
    std::filesystem::path dir_;
};

// Changes the working directory for the scope.
class InDir {
public:
    explicit InDir(const std::filesystem::path& p);
    ~InDir();

private:
    std::filesystem::path old_;
};

// Sets (value) or clears (nullptr) an environment variable for the scope; its
// earlier value, or its absence, comes back at the end.
class Env {
public:
    Env(const char* name, const char* value);
    ~Env();
    Env(const Env&) = delete;
    Env& operator=(const Env&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// A small ring-width data file in the Tucson decade layout: three header
// lines and two series of 0.01 mm values.
extern const char* const tiny_rwl;

// The first eight lines of a batch detail file as the program writes them:
// the seven legend lines and the column header, each ended by a newline.
extern const char* const detail_head;

// The batch command file of the default options (tests/data/options/default_log.txt)
// with its first line naming the data file `datfil`.
std::string default_commands(const std::string& datfil);
// The same with some of its lines replaced: line index (from 0, the line that
// names the data file) and its new text.
std::string default_commands(const std::string& datfil, const std::map<size_t, std::string>& replaced);

struct RunResult {
    int status = -1;
    std::string out;  // everything the program wrote to the console
};

// Runs build/kovrin in `dir` with `input` as its standard input.
RunResult run_kovrin(const std::filesystem::path& dir, const std::string& input);

// As run_kovrin, with every file the program writes limited to `kib` KiB (the
// shell's file size limit). Its console goes through a pipe, which the limit
// does not reach; with `console_file` set it goes to that file in `dir`
// instead, under the limit, and `out` holds what went to the error stream.
RunResult run_kovrin_limited(const std::filesystem::path& dir, const std::string& input, int kib,
                             const std::string& console_file = "");

std::vector<std::string> split_lines(const std::string& text);
// The lines as a text, each ended by a newline.
std::string join_lines(const std::vector<std::string>& lines);
// How often `what` stands in `text`, overlapping occurrences counted.
int count(const std::string& text, const std::string& what);
// The first line where two texts part, with both versions of it ("(end)" past
// the last line of one); "" when their lines agree.
std::string first_difference(const std::string& a, const std::string& b);
std::string read_file(const std::filesystem::path& p);
std::string test_data(const std::string& name);    // path of a file in tests/data

}  // namespace kovtest

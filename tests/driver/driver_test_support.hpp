#pragma once
// Shared set-up of the driver tests: a fresh folder as working directory and
// the program's streams, protections and driver state back to a clean start.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "driver/data_file_loop.hpp"
#include "options/batch_file.hpp"
#include "options/option_block.hpp"
#include "shared/files.hpp"
#include "shared/generic_files.hpp"
#include "shared/tables.hpp"
#include "shared/text_helpers.hpp"
#include "support/test_support.hpp"

namespace kovtest {

class DriverScene {
public:
    DriverScene() : in_(dir_.path()) { clean(); }
    ~DriverScene() { clean(); }
    TempDir& dir() { return dir_; }

private:
    static void clean() {
        kov::streams().close_all();
        kov::clear_protected();
        kov::clear_failed_outputs();
        kov::phases() = kov::Phases{};
        kov::driver_state() = kov::DriverState{};
        kov::shared().last_output_name.clear();
        kov::shared().batmod = "n";
        kov::shared().nc = 0;
    }
    TempDir dir_;
    InDir in_;
};

// The listing, chronology and error files of the data file whose output
// prefix is `prefix`, and the ten run-wide chronology files, open as the
// chronology steps of a data file find them.
inline void open_chronology_streams(const std::string& prefix) {
    auto& st = kov::streams();
    st.luout.open_fresh(prefix + "_out.txt");
    st.lucrn.open_fresh(prefix + "_crns.txt");
    st.luerr.open_fresh(prefix + "_errs.txt");
    for (int i = 0; i < 10; ++i) st.lugcrn[i].open_fresh(kov::generic_file_name(i));
}

// The column (from 1) at which each occurrence of `what` starts in `text`. A
// prompt leaves the cursor on its line, and on the console the answer typed
// ends that line; in a captured output the next text follows on the same
// line, so the end of an earlier occurrence also counts as the end of a line.
inline std::vector<int> columns_of(const std::string& text, const std::string& what) {
    std::vector<int> cols;
    size_t line_start = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) {
        const size_t nl = text.rfind('\n', p);
        if (nl != std::string::npos && nl + 1 > line_start) line_start = nl + 1;
        cols.push_back(static_cast<int>(p - line_start + 1));
        line_start = p + what.size();
    }
    return cols;
}

// The columns of the "==> " that end the questions: the console lines of the
// batch command set-up that begin with "==> " are no question.
inline std::vector<int> question_arrow_columns(std::string text) {
    const std::string note = "\n ==> writing batch commands for: ";
    for (size_t p = text.find(note); p != std::string::npos; p = text.find(note, p)) {
        const size_t e = text.find('\n', p + 1);
        text.erase(p, e == std::string::npos ? std::string::npos : e - p);
    }
    return columns_of(text, "==> ");
}

// Text placed at columns (from 1), later pieces over earlier ones: a line as
// a table of columns describes it.
inline std::string at(std::initializer_list<std::pair<int, std::string>> pieces) {
    std::string s;
    for (const auto& [col, text] : pieces) {
        const size_t c = static_cast<size_t>(col - 1);
        if (s.size() < c + text.size()) s.resize(c + text.size(), ' ');
        s.replace(c, text.size(), text);
    }
    return s;
}

// A detail record as the file lays it out: number in 1-4, identifier from
// column 7 (8 characters), ten values of six columns from column 15.
inline std::string detail_record(int num, const std::string& ident, const std::vector<int>& v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%4d  ", num);
    std::string s = buf + kov::in_columns(ident, 8);
    for (int x : v) {
        std::snprintf(buf, sizeof buf, "%6d", x);
        s += buf;
    }
    return s;
}

// Every file and folder under the folder, with each file's content (a
// folder's name ends in "/"): two of them compare equal when nothing there
// was created, changed or removed.
inline std::map<std::string, std::string> folder_files(const TempDir& d) {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(d.path())) {
        const std::string name = std::filesystem::relative(e.path(), d.path()).generic_string();
        files[e.is_directory() ? name + "/" : name] = e.is_directory() ? "" : read_file(e.path());
    }
    return files;
}

inline bool contains_line(const std::vector<std::string>& lines, const std::string& line) {
    for (const auto& l : lines)
        if (l == line) return true;
    return false;
}

// A batch command file `name` from the default options with some changed,
// written in the working directory.
inline void write_commands(const std::string& name, const std::string& datfil,
                           const std::function<void(kov::OptionBlock&, std::string&)>& change = {}) {
    kov::OptionBlock ob;
    std::string mask;
    kov::set_option_defaults(ob, mask);
    if (change) change(ob, mask);
    kov::OutFile f;
    ASSERT_TRUE(f.open_fresh(name));
    f.write("('data file #',i3,'  --  ',a)", 1, kov::padded(datfil, 60));
    kov::wrbatch(ob, mask, f);
    f.close();
}

}  // namespace kovtest

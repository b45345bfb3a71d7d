#pragma once
// Shared set-up of the driver tests: a fresh folder as working directory and
// the program's streams, protections and driver state back to a clean start.
#include <string>

#include "driver/data_file_loop.hpp"
#include "shared/files.hpp"
#include "shared/tables.hpp"
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
        kov::phases() = kov::Phases{};
        kov::driver_state() = kov::DriverState{};
        kov::shared().batmod = "n";
        kov::shared().nc = 0;
    }
    TempDir dir_;
    InDir in_;
};

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

inline bool contains_line(const std::vector<std::string>& lines, const std::string& line) {
    for (const auto& l : lines)
        if (l == line) return true;
    return false;
}

}  // namespace kovtest

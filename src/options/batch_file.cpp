#include "options/batch_file.hpp"

#include <algorithm>
#include <array>
#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "options/optdesc.hpp"
#include "options/option_block.hpp"
#include "shared/console.hpp"
#include "shared/layout.hpp"
#include "shared/stop.hpp"
#include "shared/text_helpers.hpp"

namespace kov {

namespace {

// One value field of a batch command line: its columns and its slot.
struct Field {
    int start;  // first column
    int width;
    int k, j;   // slot (k, j) of the option block
};

// One line of the file after line 1, by description number (1 to 20 the
// options, 21 to 23 the stand-dynamics thresholds).
struct Line {
    int number;
    const char* layout;
    std::vector<Field> fields;  // empty: the mask line
    int compared;               // characters of the description compared by the reader
};

const std::array<Line, 23>& batch_lines() {
    static const std::array<Line, 23> lines{{
        {1, "(a10,t20,a50)", {{1, 10, 1, 1}}, 20},
        {2, "(a6,7x,a6,t20,a50)", {{1, 6, 2, 1}, {14, 6, 2, 2}}, 50},
        {3, "(a6,7x,a6,t20,a50)", {{1, 6, 3, 1}, {14, 6, 3, 2}}, 40},
        {4, "(a6,1x,a6,a6,t20,a50)", {{1, 6, 4, 1}, {8, 6, 4, 2}, {14, 6, 4, 3}}, 40},
        {5, "(a6,1x,a6,a6,t20,a50)", {{1, 6, 5, 1}, {8, 6, 5, 2}, {14, 6, 5, 3}}, 40},
        {6, "(a10,t20,a50)", {{1, 10, 6, 1}}, 20},
        {7, "(a10,t20,a50)", {{1, 10, 7, 1}}, 20},
        {8, "(a10,t20,a50)", {{1, 10, 8, 1}}, 20},
        {9, "(a6,1x,a6,a6,t20,a50)", {{1, 6, 9, 1}, {8, 6, 9, 2}, {14, 6, 9, 3}}, 50},
        {10, "(a6,7x,a6,t20,a50)", {{1, 6, 10, 1}, {14, 6, 10, 2}}, 20},
        {11, "(a10,t20,a50)", {{1, 10, 11, 1}}, 20},
        // The bootstrap switch comes second and its plot switch last.
        {12, "(a4,a4,a5,a1,t20,a50)", {{1, 4, 12, 1}, {5, 4, 12, 3}, {9, 5, 12, 4}, {14, 1, 12, 2}}, 27},
        {13, "(a10,t20,a50)", {{1, 10, 13, 1}}, 20},
        {14, "(2a6,t20,a50)", {{1, 6, 14, 1}, {7, 6, 14, 2}}, 20},
        {15, "(a8,t20,a50)", {}, 20},
        {16, "(2a6,1x,a6,t20,a50)", {{1, 6, 16, 1}, {7, 6, 16, 2}, {14, 6, 16, 3}}, 20},
        {17, "(a10,t20,a50)", {{1, 10, 17, 1}}, 20},
        {18, "(a10,t20,a50)", {{1, 10, 18, 1}}, 30},
        {19, "(a10,t20,a50)", {{1, 10, 19, 1}}, 20},
        {20, "(a6,7x,a6,t20,a50)", {{1, 6, 20, 1}, {14, 6, 20, 5}}, 20},
        {21, "(a10,t20,a50)", {{1, 10, 20, 2}}, 20},
        {22, "(a10,t20,a50)", {{1, 10, 20, 3}}, 20},
        {23, "(a10,t20,a50)", {{1, 10, 20, 4}}, 20},
    }};
    return lines;
}

constexpr int description_column = 20;

// The line with every value moved right just as far as it takes to keep one
// blank after the value before it, the description likewise. Used only when a
// value fills its field up to the next one (a quantile of -100, a year of six
// characters) or is wider than its field, where the fixed layout would run two
// values together or cut one.
std::string spaced_line(const Line& line, const std::vector<std::string>& texts, const std::string& desc) {
    std::string out;
    auto place = [&out](int column, const std::string& s) {
        // One blank after whatever stands before, else the field's own column.
        size_t at = std::max<size_t>(column - 1, out.empty() ? 0 : out.size() + 1);
        out.resize(at, ' ');
        out += s;
    };
    for (size_t i = 0; i < texts.size(); ++i) place(line.fields[i].start, texts[i]);
    place(description_column, desc);
    return out;
}

// True when every value stands in its field with a blank before the next field
// or the description.
bool fits_fixed_fields(const Line& line, const std::vector<std::string>& texts) {
    for (size_t i = 0; i < texts.size(); ++i) {
        const Field& f = line.fields[i];
        int next = i + 1 < texts.size() ? line.fields[i + 1].start : description_column;
        int len = static_cast<int>(texts[i].size());
        if (len > f.width || f.start + len > next - 1) return false;
    }
    return true;
}

}  // namespace

void wrbatch(const OptionBlock& optval, std::string_view mask, OutFile& out) {
    for (const Line& line : batch_lines()) {
        std::string desc = option_description(optval, line.number, SecondPassMark::second);
        if (line.fields.empty()) {
            out.write(line.layout, padded(mask, 8), desc);
            continue;
        }
        // Plain decimal digits, no leading blanks or zeros; the field width
        // never cuts a value.
        std::vector<std::string> texts;
        for (const Field& f : line.fields) texts.push_back(std::to_string(optval(f.k, f.j)));
        if (fits_fixed_fields(line, texts)) {
            std::vector<FVal> values;
            for (size_t i = 0; i < texts.size(); ++i) values.emplace_back(padded(texts[i], line.fields[i].width));
            values.emplace_back(desc);
            out.put(format_values(line.layout, values));
        } else {
            out.line(spaced_line(line, texts, desc));
        }
    }
}

namespace {

void end_of_file_block() {
    Console& c = con();
    c.line("");
    c.line(" *** end-of-file reading batch commands. re-run");
    c.line(" *** the program in interactive mode to create");
    c.line(" *** the correct log files for batch mode runs.");
}

void error_block() {
    Console& c = con();
    c.line("");
    c.line(" *** error reading batch commands. re-run the");
    c.line(" *** program in interactive mode to create the");
    c.line(" *** correct log files for batch mode runs.");
}

// The line's values read free form, as many as it has fields. What keeps them
// from being read, if anything: too few values, or one that is not a 32-bit
// integer.
std::optional<std::string> read_line_values(const std::string& text, const Line& line, std::vector<int>& values) {
    std::vector<std::string> fields = free_fields(text);
    values.clear();
    for (size_t i = 0; i < line.fields.size(); ++i) {
        if (i >= fields.size())
            return std::to_string(fields.size()) + (fields.size() == 1 ? " value" : " values") + " where " +
                   std::to_string(line.fields.size()) + " belong";
        long long v = 0;
        bool read = true;
        try {
            v = free_int(fields[i]);
        } catch (const ReadError&) {
            read = false;
        }
        if (!read || v < INT_MIN || v > INT_MAX) return "\"" + fields[i] + "\" is not a whole number";
        values.push_back(static_cast<int>(v));
    }
    return std::nullopt;
}

// A refused line: one line naming the line of the file (and the file, when
// the line is read in a check of the run's inputs), the option and what was
// read, then the block that ends the reading.
void refused(int number, const std::string& what, const std::string& file = "") {
    con().line("");
    con().line(" *** line " + std::to_string(number + 1) + " of the batch command file" +
               (file.empty() ? "" : " " + file) + ", option " + std::to_string(std::min(number, 20)) + ": " + what);
    error_block();
}

// Median and lowess windows: percentages below -100 mean the whole series, a
// median window must be odd, and windows of 0 to 2 years cannot smooth. What
// keeps a window from smoothing, if anything.
std::optional<std::string> apply_width_rules(OptionBlock& ov, int k) {
    int code = ov(k, 1);
    int& width = ov(k, 2);
    if (code != -3 && code != -4) return std::nullopt;
    if (width < -100) {
        width = -100;
    } else if (width >= 0 && width <= 2) {
        return code == -3 ? "*** median filter width inadmissable" : "*** lowess smoother width inadmissable";
    } else if (code == -3 && width >= 4 && width % 2 == 0) {
        width -= 1;
    }
    return std::nullopt;
}

// How a reading of a batch command file ended.
struct Reading {
    enum class End { complete, end_of_file, refused, width } end = End::complete;
    int status = 0;    // 0, or the option whose line ended the reading (1 to 20)
    int number = 0;    // the line's description number (the file's line less 1)
    std::string what;  // why the line was refused, or the window's stop message
};

// Reads the file from its first line into `ov` and `mask`, line by line, with
// every check. With `echo`, every line read is shown on the console as the
// reading goes; the reading stops at the first line it cannot take, leaving
// the slots of the lines before filled from the file.
Reading read_commands(TextIn& log, std::string_view name, bool echo, OptionBlock& ov, std::string& mask) {
    Console& c = con();
    Reading r;
    r.status = 1;

    log.rewind();
    std::optional<std::string> text = log.read_line();
    if (!text) {
        r.end = Reading::End::end_of_file;
        return r;
    }
    // A file written for another data file is used as it stands; only the echo
    // names the data file in work.
    std::string buf = padded(*text, 80);
    std::string name40 = padded(name, 40);
    if (buf.compare(20, 40, name40) != 0) buf.replace(20, 40, name40);
    if (echo) {
        c.line("");
        c.line(" " + buf);
        c.line(" batch file inputs:");
        c.line(" inputs.............!input indentification");
    }

    std::vector<int> values;
    for (const Line& line : batch_lines()) {
        const int number = line.number;
        if (number == 21 && ov(20, 1) == 0) {
            // Without stand dynamics the thresholds are not in use: the lines
            // need not be there, and nothing stale is carried over.
            ov(20, 2) = ov(20, 3) = ov(20, 4) = 0;
            r.status = 0;
            return r;
        }
        r.status = std::min(number, 20);
        r.number = number;
        text = log.read_line();
        if (!text) {
            r.end = Reading::End::end_of_file;
            return r;
        }
        buf = padded(*text, 80);

        OptionBlock read = ov;
        std::string line_mask = mask;
        if (line.fields.empty()) {
            line_mask = buf.substr(0, 8);
            read(15, 1) = 0;
        } else {
            if (const auto fault = read_line_values(*text, line, values)) {
                r.end = Reading::End::refused;
                r.what = *fault;
                return r;
            }
            for (size_t i = 0; i < values.size(); ++i) read(line.fields[i].k, line.fields[i].j) = values[i];
        }

        if (const OptionCheck check = check_option(read, number)) {
            r.end = Reading::End::refused;
            r.what = check.what;
            return r;
        }
        if (number == 4 || number == 5) {
            if (const auto stop = apply_width_rules(read, number)) {
                r.end = Reading::End::width;
                r.what = *stop;
                return r;
            }
        }

        if (echo) {
            // The echo shows the description of the values as read, whatever
            // the file says after column 20.
            std::string desc = option_description(read, number, SecondPassMark::rcs_if_regional);
            bool differs = number == 12
                               ? buf.compare(description_column - 1, 27, desc.substr(0, 26) + " ") != 0
                               : buf.compare(description_column - 1, line.compared, desc, 0, line.compared) != 0;
            if (differs) buf.replace(description_column - 1, optdesc_width, desc);
            if (number == 8) buf[0] = fmt("(i1)", read(8, 1))[0];

            if (line.fields.empty() && line_mask == " none   ") {
                // A mask of " none   " is shown one column further left,
                // under the other masks, with its description where the
                // others begin.
                buf[description_column - 1] = ' ';
                buf.replace(description_column, 49, desc.substr(0, 49));
                c.line(" " + buf.substr(1));
            } else {
                c.line(" " + buf);
            }
        }

        ov = read;
        mask = line_mask;
    }
    r.status = 0;
    return r;
}

}  // namespace

int rdbatch(TextIn& log, int /*count*/, std::string_view name) {
    SharedTables& sh = shared();
    const Reading r = read_commands(log, name, true, sh.optval, sh.stcmask);
    switch (r.end) {
        case Reading::End::complete: break;
        case Reading::End::end_of_file: end_of_file_block(); break;
        case Reading::End::refused: refused(r.number, r.what); break;
        case Reading::End::width: throw Stop(r.what, exit_failure);
    }
    return r.status;
}

bool batch_file_usable(TextIn& log, std::string_view file, OptionBlock* options) {
    // Read into copies: a check changes no option of the run.
    OptionBlock ov = shared().optval;
    std::string mask = shared().stcmask;
    const Reading r = read_commands(log, "", false, ov, mask);
    const std::string name(file);
    switch (r.end) {
        case Reading::End::complete:
            if (options) *options = ov;
            return true;
        case Reading::End::end_of_file:
            con().line("");
            con().line(" *** the batch command file " + name +
                       (r.number == 0 ? std::string(" is empty")
                                      : " ends before its line " + std::to_string(r.number + 1) + ", option " +
                                            std::to_string(std::min(r.number, 20))));
            end_of_file_block();
            break;
        case Reading::End::refused: refused(r.number, r.what, name); break;
        // the window that would stop the run at this file stops it now
        case Reading::End::width: refused(r.number, r.what.substr(4), name); break;
    }
    return false;
}

}  // namespace kov

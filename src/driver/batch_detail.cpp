#include "driver/batch_detail.hpp"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <optional>

#include "driver/data_file_setup.hpp"
#include "driver/input_guard.hpp"
#include "series/fixed_text.hpp"
#include "shared/console.hpp"
#include "shared/files.hpp"
#include "shared/layout.hpp"
#include "shared/output_names.hpp"
#include "shared/stop.hpp"
#include "shared/tables.hpp"
#include "shared/text_helpers.hpp"

namespace kov {

namespace {

void detail_unreadable() {
    con().write("(/1x,'*** batch detail data file either not found or'/1x,'*** error in reading in data. defaults are used.')");
}

// A file that is there but cannot be used holds the user's settings all the
// same: the run goes on with the defaults, and the file is kept as it is for
// the user to mend, not written over with the defaults.
void refuse_detail_file(const std::string& name) {
    detail_unreadable();
    batch_detail_state().refused = true;
    report_output_failure(name, OutputFailure::not_used);
    streams().luout.line("");
}

// Reads one integer field of the record; false when it holds no number (a
// blank field, one cut off by a short line, or one with a letter in it).
bool read_field(const std::string& line, int first_column, int width, int& value) {
    std::string field;
    if (static_cast<size_t>(first_column - 1) < line.size()) field = line.substr(first_column - 1, width);
    if (rtrim(field).empty()) return false;
    try {
        auto v = read_values("(i" + std::to_string(width) + ")", field);
        if (v.empty() || v[0].blank) return false;
        value = static_cast<int>(v[0].i);
        return true;
    } catch (const ReadError&) {
        return false;
    }
}

// The columns of a record after its identifier, as the header names them, with
// the values each admits. icu and ics are switches; ips is the order option of
// the series' AR model (-1 minimum AICc, 0 the pooled order, 1 to 10 fixed);
// yfp counts the years between pith and first ring; cpa is a tree number or 0.
// ify and ily give way to the series' own years when it is read, every integer
// is an itn code (0 or below none, above 5 a power), isb is kept for the next
// file unread, and idt only reports.
struct DetailColumn {
    const char* name;
    std::optional<int> lo, hi;
};
const DetailColumn detail_columns[10] = {
    {"ify", {}, {}}, {"ily", {}, {}}, {"yfp", 0, {}}, {"itn", {}, {}}, {"idt", {}, {}},
    {"ips", -1, 10}, {"isb", {}, {}}, {"icu", 0, 1},  {"ics", 0, 1},  {"cpa", 0, mxs},
};

// Line 8 names the columns: "num", "ident" and the ten columns above, in
// their order (blanks between them as they may be). A file without it is not
// a detail file, or has lost a line above its records, which would pair
// every record with the series before its own.
bool is_column_header(const std::string& line) {
    std::vector<std::string> words;
    for (size_t at = 0;;) {
        at = line.find_first_not_of(" \t", at);
        if (at == std::string::npos) break;
        const size_t stop = std::min(line.find_first_of(" \t", at), line.size());
        words.push_back(line.substr(at, stop - at));
        at = stop;
    }
    if (words.size() != 12 || words[0] != "num" || words[1] != "ident") return false;
    for (int c = 0; c < 10; ++c)
        if (words[static_cast<size_t>(c) + 2] != detail_columns[c].name) return false;
    return true;
}

// One record of the file: its number and all ten columns.
struct ParsedRecord {
    int num = 0;
    DetailRecord r;
};

// What makes a record faulty, as the console and the listing say it after
// "record n": a column without a number, or a value its column does not admit.
std::optional<std::string> parse_record(const std::string& raw, ParsedRecord& p) {
    // Columns are characters in a line of valid UTF-8: the writer gives an
    // identifier of letters of two bytes its 8 columns, as every listing does.
    const std::string line = column_text(raw);
    if (!read_field(line, 1, 4, p.num)) return "holds no number in column num";
    p.r.ident = in_columns(column_slice(raw, 6, 8), 8);
    for (int c = 1; c <= 10; ++c) {
        const DetailColumn& col = detail_columns[c - 1];
        int& v = p.r.col[static_cast<size_t>(c - 1)];
        if (!read_field(line, 15 + 6 * (c - 1), 6, v)) return std::string("holds no number in column ") + col.name;
        if ((col.lo && v < *col.lo) || (col.hi && v > *col.hi)) {
            const std::string admits = col.hi ? "outside " + std::to_string(*col.lo) + " to " + std::to_string(*col.hi)
                                              : "below " + std::to_string(*col.lo);
            return "holds " + std::to_string(v) + " in column " + col.name + ", " + admits;
        }
    }
    return std::nullopt;
}

// The lines of a text as they are read back: ends of line of any kind, the
// blanks that end a line and the blank lines that end the text do not count.
std::vector<std::string> text_lines(TextIn& f) {
    std::vector<std::string> lines;
    while (auto line = f.read_line()) lines.push_back(rtrim(*line));
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

// The columns of a record that the next batch run reads: num (0 ends the
// records), yfp, itn, ips, icu and ics. ify and ily give way to the series'
// own years, idt and isb only report, and cpa is numbered anew every run.
bool same_settings(const std::string& earlier, const std::string& fresh) {
    if (earlier == fresh) return true;
    ParsedRecord a, b;
    if (parse_record(earlier, a) || parse_record(fresh, b)) return false;
    if (a.num != b.num || a.r.ident != b.r.ident) return false;
    for (int c : {yfp, itn, ips, icu, ics})
        if (a.r.col[static_cast<size_t>(c - 1)] != b.r.col[static_cast<size_t>(c - 1)]) return false;
    return true;
}

// Whether the file `name` holds anything that the text of a detail file
// about to replace it would lose: a record more or less than it, one of
// another series, or another value in a column the next batch run reads;
// in a file that has no column header on line 8, any line. A file of blank
// lines holds nothing. A file that is there but cannot be read may hold
// anything.
bool holds_other_records(const std::string& name, const std::string& text) {
    TextIn earlier;
    if (!earlier.open(name)) return file_exists(name);
    std::vector<std::string> lines = text_lines(earlier);
    if (lines.empty()) return false;
    std::istringstream in(text);
    std::vector<std::string> fresh;
    for (std::string l; std::getline(in, l);) fresh.push_back(rtrim(l));
    if (lines.size() < 8 || !is_column_header(lines[7])) return true;
    return !std::equal(lines.begin() + 8, lines.end(), fresh.begin() + 8, fresh.end(), same_settings);
}

// The bytes of a file as they stand; nothing when it cannot be read.
std::optional<std::string> file_bytes(const std::string& name) {
    std::ifstream f(name, std::ios::binary);
    if (!f.is_open()) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (f.bad()) return std::nullopt;
    return bytes;
}

// The name of the copy of the detail file of the data file in work, whose
// bytes are `earlier`: "_save" after the detail file's name, or "_save2",
// "_save3" ... when that name is taken by another text, so that an earlier
// copy is never lost.
std::string copy_name(const std::string& earlier) {
    for (int n = 1;; ++n) {
        const std::string copy =
            output_prefix(shared().datfil) + std::string(suffix::detail_copy) + (n == 1 ? "" : std::to_string(n));
        if (!path_exists(copy)) return copy;
        if (is_protected(copy) || !file_exists(copy)) continue;
        if (file_bytes(copy) == earlier) return copy;
    }
}

// Writes the bytes of the file `from` to `to`, with the permissions of
// `from`; false (the copy named) when the copy cannot be made whole.
bool copy_file(const std::string& bytes, const std::string& from, const std::string& to) {
    OutFile copy;
    if (!create_copy_output(copy, to, from)) return false;
    copy.put(bytes);
    try {
        copy.close();
    } catch (const WriteFailed&) {
        report_output_failure(to, OutputFailure::incomplete);
        return false;
    }
    return true;
}

}  // namespace

BatchDetailState& batch_detail_state() {
    static BatchDetailState state;
    return state;
}

namespace {

// What a batch run finds in a detail file, before it says or loads anything.
struct DetailFile {
    enum class Kind {
        missing,       // no file under the name
        unreadable,    // a file that cannot be read
        empty,         // 0 bytes: no settings to keep
        short_legend,  // it ends within its legend
        no_header,     // line 8 is not the column header
        faulty,        // a record is faulty
        read,
    };
    Kind kind = Kind::missing;
    std::vector<DetailRecord> records;
    bool more_than_mxs = false;  // records beyond the mxs-th were not read
    int faulty_record = 0;
    int faulty_line = 0;
    std::string fault;
};

DetailFile parse_detail_file(const std::string& name) {
    DetailFile d;
    TextIn f;
    if (!f.open(name)) {
        // a file that cannot be read (a folder under the name is none)
        d.kind = file_exists(name) ? DetailFile::Kind::unreadable : DetailFile::Kind::missing;
        return d;
    }
    if (f.at_end()) {
        d.kind = DetailFile::Kind::empty;
        return d;
    }
    for (int i = 1; i <= 8; ++i) {
        auto line = f.read_line();
        if (!line) {  // a file that ends within its legend holds no record
            d.kind = DetailFile::Kind::short_legend;
            return d;
        }
        if (i == 8 && !is_column_header(*line)) {
            d.kind = DetailFile::Kind::no_header;
            return d;
        }
    }
    // Every record is read before any is used: a file with a faulty record
    // (a column cut off, left blank or holding a letter, or a value its column
    // does not admit) is used not at all, as the console says, rather than up
    // to the fault. A blank field read as 0 would leave the series out (icu)
    // without a word, and an icu of 2 or an ips of 99 would be taken in some
    // sense the user did not write.
    for (int k = 1;; ++k) {
        auto line = f.read_line();
        if (!line) break;
        // A blank line ends the records and stands for no series: a row of
        // zeros would leave the series at its place out of the run.
        if (rtrim(*line).empty()) break;
        if (k > mxs) {
            d.more_than_mxs = true;
            break;
        }
        ParsedRecord p;
        if (auto fault = parse_record(*line, p)) {
            d.kind = DetailFile::Kind::faulty;
            d.records.clear();
            d.faulty_record = k;
            d.faulty_line = static_cast<int>(f.line_number());
            d.fault = std::move(*fault);
            return d;
        }
        d.records.push_back(p.r);
        // A record numbered 0 is the last one: its settings still belong to
        // the series at its place.
        if (p.num == 0) break;
    }
    d.kind = DetailFile::Kind::read;
    return d;
}

}  // namespace

void read_batch_detail() {
    auto& s = shared();
    batch_detail_state() = BatchDetailState{};
    const std::string name = output_name(suffix::batch_detail);
    DetailFile d = parse_detail_file(name);
    switch (d.kind) {
        case DetailFile::Kind::missing: detail_unreadable(); return;
        case DetailFile::Kind::unreadable: refuse_detail_file(name); return;
        // An empty file holds no settings to keep: it counts as none, and is
        // written afresh at the end of the data file.
        case DetailFile::Kind::empty: detail_unreadable(); return;
        default: break;
    }
    con().write("(/1x,'batch detail file opened:  ',a)", padded(name, 60));
    streams().luout.write("(t2,'batch detail file processed: ',t35,a/)", padded(name, 60));
    switch (d.kind) {
        case DetailFile::Kind::short_legend: refuse_detail_file(name); return;
        case DetailFile::Kind::no_header:
            con().write("(/1x,'*** line 8 of the batch detail file is not its column header')");
            streams().luout.write("(t2,'*** batch detail file not used: line 8 is not its column header')");
            refuse_detail_file(name);
            return;
        case DetailFile::Kind::faulty:
            con().write("(/1x,'*** batch detail record',i6,' (line',i6,' of the file) ',a)", d.faulty_record,
                        d.faulty_line, d.fault);
            streams().luout.write("(t2,'*** batch detail file not used: record',i6,1x,a)", d.faulty_record, d.fault);
            refuse_detail_file(name);
            return;
        default: break;
    }
    if (d.more_than_mxs)
        con().write("(/1x,'*** batch detail file holds more records than series can be read: ',i6,' used')", mxs);
    for (size_t i = 0; i < d.records.size(); ++i) {
        const int k = static_cast<int>(i) + 1;
        s.serids[k] = d.records[i].ident;
        for (int c = 1; c <= 10; ++c) s.sertbl(k, c) = d.records[i].col[static_cast<size_t>(c - 1)];
        s.ips_from_record[static_cast<size_t>(k)] = true;
    }
    batch_detail_state().records = std::move(d.records);
}

std::function<bool(int)> series_in_use(const std::string& detail_name) {
    const DetailFile d = parse_detail_file(detail_name);
    // A file that is not used leaves every series in use.
    std::vector<bool> used;
    for (const auto& r : d.records) used.push_back(r.col[icu - 1] == 1);
    return [used = std::move(used)](int position) {
        return position < 1 || static_cast<size_t>(position) > used.size() || used[static_cast<size_t>(position - 1)];
    };
}

void check_detail_pairing() {
    const auto& records = batch_detail_state().records;
    if (records.empty()) return;
    auto& s = shared();
    size_t j = 0;  // position in the data file
    for (int i = 1; i <= s.nc; ++i) {
        while (j < records.size() && records[j].col[icu - 1] != 1) ++j;
        if (j >= records.size()) break;
        if (records[j].ident != s.serids[i])
            streams().luout.write("(t2,'*** batch detail record',i6,' (',a8,') is paired with series ',a8)",
                                  static_cast<int>(j + 1), records[j].ident, s.serids[i]);
        ++j;
    }
}

void write_batch_detail() {
    auto& s = shared();
    const std::string name = output_name(suffix::batch_detail);
    // Refused, it was named when it was read and stays as it is.
    if (batch_detail_state().refused) return;
    release_detail_file(name);

    std::string text = fmt("(t2,'num = number of series',t37,'ident = series identification')");
    text += fmt("(t2,'ify = first year of time series',t39,'ily = last year of time series')");
    text += fmt("(t2,'yfp = years from pith for rcs',t39,'itn = transform (>3 = power*1000)')");
    text += fmt("(t2,'idt = series detrending options',t39,'ips = series ar model order options')");
    text += fmt("(t2,'isb = stabilize variance options',t39,'icu = use (1) or do not use (0)')");
    text += fmt("(t2,'ics = save (1) or do not save (0)',t39,'cpa = common period analysis series')");
    text += fmt("(t20,'-- do not delete these lines --')");
    text += fmt("(' num  ident      ify   ily   yfp   itn   idt   ips   isb   icu   ics   cpa')");

    const bool first_differences = optsnap()(4, 1) == -1;
    const auto& records = batch_detail_state().records;
    const size_t m = records.size();
    int num = 0;
    int i = 1;     // next series read
    size_t j = 0;  // next position of the data file
    for (;;) {
        if (j < m && records[j].col[icu - 1] != 1) {
            text += fmt("(i4,2x,a8,10i6)", ++num, records[j].ident, records[j].col);
            ++j;
            continue;
        }
        if (i > s.nc) break;
        std::array<int, 10> col{};
        for (int c = 1; c <= 10; ++c) col[static_cast<size_t>(c - 1)] = s.sertbl(i, c);
        // first differences start a series a year later: the record keeps the
        // series' own first year (a series the first pass did not difference
        // has it still)
        if (first_differences) col[ify - 1] -= s.fdyears[i];
        text += fmt("(i4,2x,a8,10i6)", ++num, s.serids[i], col);
        ++i;
        ++j;
    }

    // An interactive run does not read the file it replaces, which may hold
    // settings edited by hand: when it holds other settings than these (or
    // cannot be read), it is kept beside the new one first. Without its copy
    // it is not replaced.
    const bool batch = s.batmod == "y" || s.batmod == "Y";
    std::string kept_as;
    if (!batch && holds_other_records(name, text)) {
        const auto earlier = file_bytes(name);
        if (earlier)
            kept_as = copy_name(*earlier);
        else
            con().write("(/1x,'*** the batch detail file cannot be read, no copy of it can be kept:  ',a)", name);
        if (kept_as.empty() || !copy_file(*earlier, name, kept_as)) {
            report_output_failure(name, OutputFailure::left_as_it_was);
            return;
        }
    }
    // The file may hold settings edited by hand: it is replaced only by a
    // whole new one, so that a failed write leaves it as it was.
    auto& out = streams().luaux;
    if (!out.open_rewrite(name)) {
        report_output_failure(name, OutputFailure::not_created);
        return;
    }
    out.put(text);
    try {
        out.close();
    } catch (const WriteFailed&) {
        report_output_failure(name, OutputFailure::left_as_it_was);
        return;
    }
    con().write("(/1x,'batch detail file saved: ',a)", padded(name, 60));
    if (!kept_as.empty())
        con().write("(1x,'the batch detail file it replaces held other records, kept as:  ',a)", kept_as);
}

}  // namespace kov

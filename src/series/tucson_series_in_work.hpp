#pragma once
// The Tucson reader, fourth step: the series in work. What one call of trrw
// builds from the lines it takes, each read as the survey chose: the values
// at their years, lines out of order, lines that cannot be read, lines
// written twice, and the end of the series with its units and the series of
// its identifier read before.
#include <climits>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "series/tucson_read.hpp"
#include "series/tucson_line.hpp"
#include "shared/capacities.hpp"
#include "shared/files.hpp"

namespace kov::tucson_reading {

// The integers a line gives its years, up to its end marker: empty_field for
// a field left empty or damaged.
inline constexpr long long empty_field = LLONG_MIN + 1;
std::vector<long long> line_integers(const DataLine& d, int slots, bool index, long long usual);
bool holds_a_value(const std::vector<long long>& ints);

// What one call of the reader builds: the series as its lines give it, each
// value at its position (its year less the series' first year). Positions
// that no value of the file fills hold the missing value xmiss: years the
// lines skip, fields left empty or damaged, lines that cannot be read. These
// are the reader's own, not values of the file: they stay xmiss whatever the
// units of the series, so that every save writes them as the missing code.
// (Negative values that the file itself holds, such as -9999 inside a line,
// are values: scaled with the series, they stay missing by their sign.)
class ValuesAtYears {
public:
    ValuesAtYears(std::span<float> values, std::span<int> depths, bool index, bool store_depths, int& count)
        : values_(values), depths_(depths), kind_(values.size(), value), index_(index), store_depths_(store_depths),
          count_(count) {}

    // Years skipped between two lines of the series: missing values, taken
    // only when a value follows them (a series does not end in a gap).
    void skip_years(int n) { pending_gap_ += n; }

    void append(long long v, long long depth) {
        fill_gap();
        put(count_++, v, depth);
    }
    void append_missing(long long depth) {
        fill_gap();
        put_missing(count_++, depth, held);
    }

    // Whether positions [at, at + n) are all years the lines skipped: a line
    // out of order can go there without overwriting a value.
    bool open(int at, int n) const {
        if (at < 0 || at + n > count_ || static_cast<size_t>(at + n) > kind_.size()) return false;
        for (int k = at; k < at + n; ++k)
            if (kind_[static_cast<size_t>(k)] != skipped) return false;
        return true;
    }
    // Whether n more years before the first one keep the series within the
    // vectors: a line far before the series (a year mistyped) starts a new
    // series rather than making this one too long to keep.
    bool room_before(int n) const { return static_cast<size_t>(count_) + static_cast<size_t>(n) <= values_.size(); }
    // Room for n years before the first one, for a line out of order before
    // the series' first line: the years it does not fill stay skipped.
    void prepend(int n) {
        const size_t cap = values_.size();
        const size_t stored = std::min(cap, static_cast<size_t>(count_));
        for (size_t i = std::min(cap, stored + static_cast<size_t>(n)); i-- > static_cast<size_t>(n);) {
            values_[i] = values_[i - n];
            kind_[i] = kind_[i - n];
            if (store_depths_ && i < depths_.size()) depths_[i] = depths_[i - n];
        }
        count_ += n;
        for (int k = 0; k < n; ++k) put_missing(k, 0, skipped);
    }
    void place(int at, long long v, long long depth) { put(at, v, depth); }
    void place_missing(int at, long long depth) { put_missing(at, depth, held); }

    // Whether the integers of a line, from position `at`, are what the series
    // holds there (a line written twice): at least one value, and every field
    // the same, an empty one where the series has an empty field.
    bool holds(int at, const std::vector<long long>& ints) const {
        if (at < 0 || static_cast<size_t>(at) + ints.size() > std::min(values_.size(), static_cast<size_t>(count_)))
            return false;
        for (size_t k = 0; k < ints.size(); ++k) {
            const size_t i = static_cast<size_t>(at) + k;
            if (ints[k] == empty_field ? kind_[i] != held : kind_[i] != value || values_[i] != scaled(ints[k]))
                return false;
        }
        return holds_a_value(ints);
    }

    // The units of the series, known once it has ended: ring widths are
    // hundredths of a millimetre unless the series is in thousandths.
    void scale_to_thousandths() {
        const size_t stored = std::min(values_.size(), static_cast<size_t>(count_));
        for (size_t i = 0; i < stored; ++i)
            if (kind_[i] == value) values_[i] *= 0.1f;
    }

private:
    enum Kind : unsigned char { value, held, skipped };

    float scaled(long long v) const { return static_cast<float>(v) * (index_ ? 0.001f : 0.01f); }
    void fill_gap() {
        for (; pending_gap_ > 0; --pending_gap_) put_missing(count_++, 0, skipped);
    }
    void put(int at, long long v, long long depth) {
        if (!stores(at)) return;
        values_[at] = scaled(v);
        kind_[at] = value;
        if (store_depths_ && static_cast<size_t>(at) < depths_.size()) depths_[at] = static_cast<int>(depth);
    }
    void put_missing(int at, long long depth, Kind k) {
        if (!stores(at)) return;
        values_[at] = xmiss;
        kind_[at] = k;
        if (store_depths_ && static_cast<size_t>(at) < depths_.size()) depths_[at] = static_cast<int>(depth);
    }
    bool stores(int at) const { return at >= 0 && static_cast<size_t>(at) < values_.size(); }

    std::span<float> values_;
    std::span<int> depths_;
    std::vector<unsigned char> kind_;
    bool index_, store_depths_;
    int& count_;
    int pending_gap_ = 0;
};

// Whether a line repeats a line of an earlier series of its identifier (a
// line written twice, here or after other series): its values are held
// already, where the file's text holds them. The series of an identifier are
// indexed by their lines' values when the identifier is met again, so that a
// file of many series of one identifier is not searched series by series.
bool repeats_a_line_read_before(TextIn& in, TucsonFile& file, const Form& f, const DataLine& d,
                                const std::vector<long long>& ints);

// The series one call of the reader reads, line by line, with its phases as
// the reader meets them: the line that begins it, lines taken in order or out
// of order, lines that cannot be read, and its end (by its end marker,
// before a line that does not go on from it, or at the end of the file).
class SeriesInWork {
public:
    SeriesInWork(std::string& id, int& first_year, int& count, std::span<float> values, std::span<int> depths,
                 bool index, bool store_depths, TextIn& in, TucsonFile& file)
        : id_(id), first_year_(first_year), count_(count), series_(values, depths, index, store_depths, count),
          index_(index), f_(form_of(index)), in_(in), file_(file), warn_(streams().luout) {}

    bool begun() const { return ndata_ > 0; }
    bool is_of_series(const DataLine& d) const { return begun() && same_identifier(d.id, series_id_); }
    // Whether a line goes back into the years of the series: it may repeat
    // its values.
    bool may_hold(const DataLine& d) const { return is_of_series(d) && d.year < next_year_; }
    // Whether a line carries the series on: its identifier, at the year after
    // the series' last. It is the series' own line, whatever an earlier series
    // of its identifier held.
    bool goes_on_with(const DataLine& d) const { return is_of_series(d) && d.year == next_year_; }

    // A data line: taken into the series, in order or at its own years, or
    // the end of the series before it. True when the series has ended.
    bool data_line(const LineText& t, const DataLine& d, size_t line_no);

    // A line of the series itself that cannot be read (a letter in its year,
    // a decimal point, a stray character), or the first line of a series
    // whose values or year are spoiled: its decade becomes missing values,
    // so that the values after it stay at their years. Returns whether the
    // line was taken, and sets `ended` when the series ended.
    bool unreadable_line(const LineText& t, DataLine& d, size_t line_no, bool& ended);

    // A line whose identifier does not fit the layout ends the series before
    // it, which lacked its end marker.
    void end_before_line(size_t line_no);

    // Whether a line repeats the values the series holds at its years.
    bool holds(const DataLine& d, const std::vector<long long>& ints) const {
        return is_of_series(d) && series_.holds(d.year - first_year_, ints);
    }

    // The end of the file: a series without its end marker is not read.
    void end_of_file();

private:
    // The first line of the series.
    void begin(const DataLine& d, const std::string& line, size_t line_no);

    // A data line taken into the series. A line is read again after the
    // series before it ended, so what is said of the line itself is said
    // here, once.
    void joins(const LineText& t, const DataLine& d, size_t line_no, bool values_taken = true);

    // A line of the series out of order goes at its own years when no value
    // stands there yet (years the lines skipped, or years before the series'
    // first line); one that would overwrite values read starts a new series,
    // unless it repeats them (a line written twice).
    bool out_of_order(const LineText& t, const DataLine& d, int slots, size_t line_no);

    // The values of one data line, at the end of the series or, for a line
    // out of order, from position `at`. True when the line ended the series.
    bool take_values(const DataLine& d, int slots, int at, size_t line_no);

    // The end of a ring-width line cut short: its values (up to its last
    // field that holds one), its end marker standing alone on the next data
    // line, of the series' identifier and at the year after that value, and
    // the line after that marker.
    struct ShortEnd {
        int values;
        long long marker;
        size_t next_line;
    };
    std::optional<ShortEnd> marker_after_short_line(const DataLine& d, int slots);

    // Numbers after the value columns of the line that ends the series (a
    // lost line break joined the next series' first line onto it) are read
    // as nothing: the listing says so.
    void warn_if_numbers_after_fields(const DataLine& d);

    // A line that does not continue the series ends it: a new identifier, or
    // a year the series holds values for already. The line is read again as
    // the start of the next series.
    void end_before(const DataLine& d);

    // The end of the series: its units are known now (its own end marker, or
    // the one most of the file's series use), and it joins the series read
    // before, as a segment of a core read before or as a series of its own.
    void finish(long long marker);

    // A series whose identifier an earlier series of the file has. One that
    // begins after the end marker of the last of them and shares none of
    // their years is a segment of the same core: the file's segments are
    // named once, at its end. Any other (sharing years, or after a series
    // that a stray line cut) is named here: the two are two series in every
    // output.
    void join_series_read_before(bool by_marker);

    // The 999s taken as rings, named once the units of the series are known:
    // where they differ from the file's usual units, the line says so.
    void write_rings(long long units);

    std::string& id_;
    int& first_year_;
    int& count_;
    ValuesAtYears series_;
    bool index_;
    Form f_;
    TextIn& in_;
    TucsonFile& file_;
    OutFile& warn_;

    std::string series_id_;  // identifier of the first data line, as read
    size_t begin_line_ = 0;  // the line of the file that began it
    int ndata_ = 0;          // data lines taken
    // Two year cursors, because a line out of order goes at its own years:
    // next_year is the year after the series' last year, which the next line
    // in order carries; last_line_end is the year after the line read last,
    // which an out-of-order line that goes on from it carries (lines 1800 and
    // 1810 before a series' first line 1820: one warning, for 1800).
    int next_year_ = 0;
    int last_line_end_ = 0;
    int separated_ = 0;  // lines read by their separators
    int shifted_left_ = 0;   // lines one column to the left of the layout
    int shifted_right_ = 0;  // lines one column to the right of it
    std::vector<std::pair<size_t, int>> rings_;  // 999s taken as rings: line and year
};

// The identifiers of the file that name segments of one core, with their
// numbers of series, several to a line.
void write_segments(const TucsonFile& file);

}  // namespace kov::tucson_reading

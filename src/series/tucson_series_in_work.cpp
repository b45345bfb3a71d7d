// The series in work: the lines one call of trrw takes into its series, the
// look ahead that some of them need, and the series read before.
#include "series/tucson_series_in_work.hpp"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "series/fixed_text.hpp"
#include "series/tucson_survey.hpp"
#include "shared/layout.hpp"

namespace kov::tucson_reading {

std::vector<long long> line_integers(const DataLine& d, int slots, bool index, long long usual) {
    std::vector<long long> v;
    for (int k = index ? 10 - slots : 0; k < (index ? 10 : slots); ++k) {
        const int fk = index ? 2 * k : k;
        if (d.damaged[k] || d.blank[fk]) {
            v.push_back(empty_field);
            continue;
        }
        if (index ? d.field[fk] >= 9990 : ends_series(d, k, usual)) break;
        v.push_back(d.field[fk]);
    }
    return v;
}

bool holds_a_value(const std::vector<long long>& ints) {
    return std::any_of(ints.begin(), ints.end(), [](long long v) { return v != empty_field; });
}

namespace {

// After a 999 that fills the last slot of its line: whether the series goes
// on in the lines after it and is in thousandths (its own end marker -9999, or
// none and the file's series in thousandths), so that the 999 is a ring of
// 0.999 mm and not the end of a series in hundredths. The series goes on in
// the lines of its identifier that do not go back in time: the next decade, a
// later one (the years between are missing), or a line that cannot be read.
bool series_goes_on_in_thousandths(TextIn& in, const TucsonFile& file, const Form& f, const std::string& id,
                                   int next_year) {
    bool goes_on = false;
    long long marker = 0;
    look_ahead(in, file, f, [&](const DataLine& d) {
        if (!same_identifier(d.id, id) || (d.year_read && d.year < next_year)) return false;
        goes_on = true;
        if (!d.year_read || !d.values_read) {
            // As the series reads it: the decade is missing, and a marker at
            // the end of its words ends the series.
            const int year = d.year_read ? d.year : next_year;
            if (d.last_is_number && is_marker(d.last_token)) {
                marker = d.last_token;
                return false;
            }
            next_year = year + slots_of(year);
            return true;
        }
        const int slots = slots_of(d.year);
        int k = 0;
        for (; k < slots; ++k)
            if (!d.blank[k] && !d.damaged[k] && ends_series(d, k, file.usual_marker)) break;
        next_year = d.year + slots;
        if (k == slots && slots == 10 && (d.ends_after_fields || d.marker_after != 0)) {
            marker = d.ends_after_fields ? thousandths_end : d.marker_after;
            return false;
        }
        if (k == slots) return true;
        marker = d.field[k];
        // Another full line ending in 999 leaves the question open.
        if (marker == hundredths_end && k == slots - 1) {
            marker = 0;
            return true;
        }
        return false;
    });
    if (!goes_on) return false;
    return (marker != 0 ? marker : file.usual_marker) == thousandths_end;
}

// Whether the next data line has the identifier of `d` and goes on from its
// years: `d` is then the first line of that series, though its values cannot
// be read.
bool next_line_goes_on(TextIn& in, const TucsonFile& file, const Form& f, const DataLine& d) {
    bool on = false;
    look_ahead(in, file, f, [&](const DataLine& n) {
        on = n.year_read && goes_on_into(d.id, d.year, n.id, n.year);
        return false;
    });
    return on;
}

// A line with values whose year field cannot be read ("18l1", "1ll0", "18 0":
// a bit flipped, a digit lost to a blank), followed by a line of its
// identifier that begins a decade: a data line whose values fill the years up
// to that decade, not a title line. It holds the years from that decade less
// the number of its values, when every digit its year field still shows
// stands where that year has it (placed); otherwise its years are not known
// (unplaced). A line that ends its series on its own line cannot be placed so.
enum class SpoiledYear { not_data, placed, unplaced };
SpoiledYear year_from_next_line(TextIn& in, const TucsonFile& file, const Form& f, const LineText& t,
                                const DataLine& d, int& year) {
    if (d.year_read || !d.values_read || d.beyond) return SpoiledYear::not_data;
    int values = 0;
    if (f.index) {
        int k = 0;
        while (k < 10 && (d.blank[2 * k] || d.field[2 * k] >= 9990)) ++k;
        for (int j = k; j < 10; ++j)
            if (!d.blank[2 * j] && d.field[2 * j] >= 9990) return SpoiledYear::not_data;
        values = 10 - k;
    } else {
        if (d.last_is_number && is_marker(d.last_token)) return SpoiledYear::not_data;
        values = d.tokens;
    }
    if (values < 1 || values > 10) return SpoiledYear::not_data;
    bool found = false;
    int next = 0;
    look_ahead(in, file, f, [&](const DataLine& n) {
        found = n.year_read && same_identifier(d.id, n.id) && mod10(n.year) == 0;
        next = n.year;
        return false;
    });
    if (!found) return SpoiledYear::not_data;
    const int y = next - values;
    if (y < -999 || y > 9999) return SpoiledYear::unplaced;
    std::string want = std::to_string(y);  // -999 to 9999: at most 4 columns
    want.insert(0, 4 - want.size(), ' ');
    const std::string_view field = std::string_view(t.line).substr(f.idw, 4);
    for (size_t i = 0; i < 4; ++i)
        if (field[i] != want[i] && is_digit(field[i])) return SpoiledYear::unplaced;
    year = y;
    return SpoiledYear::placed;
}

// A hash of a line's identifier, year and values: the key under which the
// lines of an identifier met again are found (TucsonFile::lines_by_values).
std::uint64_t line_key(const std::string& id, int year, const std::vector<long long>& ints) {
    std::uint64_t h = std::hash<std::string>{}(id);
    const auto mix = [&h](long long v) {
        h ^= static_cast<std::uint64_t>(v) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
    };
    mix(year);
    for (long long v : ints) mix(v);
    return h;
}

// A line of the file read again where it stands, as the reader read it.
DataLine line_again(TextIn& in, const TucsonFile& file, const Form& f, size_t line) {
    in.seek(line);
    const auto got = next_line(in);
    if (!got) return {};
    return data_at(text_at(*got, file, f, line), file, f, line);
}

// Puts the lines [from, to) of identifier `id` into the index of lines by
// their values; the file stands where it stood.
void index_lines(TextIn& in, TucsonFile& file, const Form& f, const std::string& id, size_t from, size_t to) {
    const size_t back = in.line_number();
    for (size_t n = from; n < to; ++n) {
        const DataLine d = line_again(in, file, f, n);
        if (!d.year_read || !d.values_read || identifier_key(d.id) != id) continue;
        const auto ints = line_integers(d, slots_of(d.year), f.index, file.usual_marker);
        if (holds_a_value(ints)) file.lines_by_values.emplace(line_key(id, d.year, ints), static_cast<std::uint32_t>(n));
    }
    in.seek(back);
}

}  // namespace

bool repeats_a_line_read_before(TextIn& in, TucsonFile& file, const Form& f, const DataLine& d,
                                const std::vector<long long>& ints) {
    const std::string id = identifier_key(d.id);
    const auto earlier = file.earlier.find(id);
    if (earlier == file.earlier.end() || !holds_a_value(ints)) return false;
    if (file.indexed.insert(id).second)
        for (const TucsonFile::Earlier& e : earlier->second) index_lines(in, file, f, id, e.first_line, e.end_line);
    const auto [a, b] = file.lines_by_values.equal_range(line_key(id, d.year, ints));
    const size_t back = in.line_number();
    bool found = false;
    for (auto it = a; it != b && !found; ++it) {
        const DataLine o = line_again(in, file, f, it->second);
        found = identifier_key(o.id) == id && o.year == d.year &&
                line_integers(o, slots_of(o.year), f.index, file.usual_marker) == ints;
    }
    in.seek(back);
    return found;
}

// The members of the series in work, in the order its class lists them
// (tucson_series_in_work.hpp says what each is for).
bool SeriesInWork::data_line(const LineText& t, const DataLine& d, size_t line_no) {
    // Every line holds the years from its own year to the end of its
    // decade: a later line begins with a year ending in 0.
    const int slots = slots_of(d.year);
    if (!begun()) {
        begin(d, t.line, line_no);
    } else if (!same_identifier(d.id, series_id_) || d.year < next_year_) {
        return out_of_order(t, d, slots, line_no);
    } else if (d.year > next_year_) {
        warn_.write("(t2,'*** warning: line ',a8,i6,' does not follow on from series ',a8,' at year',i6,"
                    "': the years between are missing values')",
                    name8(d.id), d.year, name8(series_id_), next_year_);
        series_.skip_years(d.year - next_year_);
    }
    joins(t, d, line_no);
    next_year_ = d.year + slots;
    last_line_end_ = next_year_;
    return take_values(d, slots, -1, line_no);
}

bool SeriesInWork::unreadable_line(const LineText& t, DataLine& d, size_t line_no, bool& ended) {
    ended = false;
    const bool own_line = is_of_series(d) && (!d.year_read || d.year >= next_year_);
    bool first_line = false;
    if (!own_line && (!begun() || !same_identifier(d.id, series_id_))) {
        if (d.year_read) {
            first_line = next_line_goes_on(in_, file_, f_, d);
        } else {
            int year = 0;
            const SpoiledYear s = year_from_next_line(in_, file_, f_, t, d, year);
            if (s == SpoiledYear::unplaced) {
                warn_.write("(t2,'*** warning: line',i7,' of the file has values but a year that cannot be read:',"
                            "' not read')",
                            static_cast<int>(line_no + 1));
                return true;
            }
            first_line = s == SpoiledYear::placed;
            if (first_line) d.year = year;
        }
    }
    if (!own_line && !first_line) return false;
    if (first_line && begun()) {
        end_before(d);
        ended = true;
        return true;
    }
    if (first_line) begin(d, t.line, line_no);
    if (first_line && !d.year_read) {
        // A spoiled year that the next line places: the values of the
        // line are measurements, read at the years it gives them.
        const int slots = slots_of(d.year);
        warn_.write("(t2,'*** warning: series ',a8,' line',i7,' of the file has a year that cannot be read:',"
                    "' its values are read at',i6,' to',i6,', the years its next line gives')",
                    name8(series_id_), static_cast<int>(line_no + 1), d.year, d.year + slots - 1);
        joins(t, d, line_no);
        next_year_ = d.year + slots;
        last_line_end_ = next_year_;
        ended = take_values(d, slots, -1, line_no);
        return true;
    }
    const int year = d.year_read || first_line ? d.year : next_year_;
    const bool ends = d.last_is_number && is_marker(d.last_token) && !index_;
    const int slots = ends ? std::min(slots_of(year), d.tokens - 1) : slots_of(year);
    // A year that runs on into a value whose line does not fit its
    // decade so ("19331  185   9101 ..."): the value field is what
    // cannot be read.
    const bool runs_on = year_in_its_columns(t.line, f_) && year_runs_on(t.line, f_);
    if (slots > 0 && runs_on)
        warn_.write("(t2,'*** warning: series ',a8,' line',i7,' of the file cannot be read: its first value',"
                    "' (columns',i3,' to',i3,') runs on from its year and its values do not fit its decade;',"
                    "' years',i6,' to',i6,' taken as missing values')",
                    name8(series_id_), static_cast<int>(line_no + 1), static_cast<int>(field_at(f_, 0) + 1),
                    static_cast<int>(field_at(f_, 0) + field_width(f_)), year, year + slots - 1);
    else if (slots > 0)
        warn_.write("(t2,'*** warning: series ',a8,' line',i7,' of the file cannot be read:',"
                    "' years',i6,' to',i6,' taken as missing values')",
                    name8(series_id_), static_cast<int>(line_no + 1), year, year + slots - 1);
    if (year > next_year_ && slots > 0) series_.skip_years(year - next_year_);
    for (int k = 0; k < slots; ++k) series_.append_missing(0);
    next_year_ = year + slots;
    last_line_end_ = next_year_;
    joins(t, d, line_no, false);
    if (ends) {
        finish(d.last_token);
        ended = true;
    }
    return true;
}

void SeriesInWork::end_before_line(size_t line_no) {
    warn_.write("(t2,'*** warning: series ',a8,' ends without an end marker before line',i7,' of the file')",
                name8(series_id_), static_cast<int>(line_no + 1));
    in_.backspace();
    finish(0);
}

void SeriesInWork::end_of_file() {
    if (begun())
        warn_.write("(t2,'*** warning: series ',a8,' ends without an end marker:',i6,' values not read')",
                    name8(series_id_), count_);
    write_rings(0);
}

void SeriesInWork::begin(const DataLine& d, const std::string& line, size_t line_no) {
    id_ = name8(d.id);
    series_id_ = d.id;
    first_year_ = d.year;
    next_year_ = d.year;
    last_line_end_ = d.year;
    begin_line_ = line_no;
    file_.series_begun = true;
    if (!index_ && d.idcols == 8 && is_digit(line[7]) && line[8] == '0' && is_digit(line[9]))
        warn_.write("(t2,'*** warning: series ',a8,': year',i6,' of columns 9-12 may be the year',i7,"
                    "' of columns 8-12, which the layout cannot hold')",
                    name8(d.id), d.year, (line[7] - '0') * 10000 + d.year);
}

void SeriesInWork::joins(const LineText& t, const DataLine& d, size_t line_no, bool values_taken) {
    ++ndata_;
    if (d.by_separators && values_taken) ++separated_;
    if (t.shift == Shift::left) ++shifted_left_;
    if (t.shift == Shift::right) ++shifted_right_;
    if (t.controls_dropped)
        warn_.write("(t2,'*** warning: line',i7,' of the file has control characters before its year:',"
                    "' dropped, the line read as ',a8,i6)",
                    static_cast<int>(line_no + 1), name8(d.id), d.year);
    else if (t.tab_dropped)
        warn_.write("(t2,'*** warning: line',i7,' of the file has a tab inside its identifier:',"
                    "' dropped, the line read as ',a8,i6)",
                    static_cast<int>(line_no + 1), name8(d.id), d.year);
}

bool SeriesInWork::out_of_order(const LineText& t, const DataLine& d, int slots, size_t line_no) {
    int at = -1;
    if (same_identifier(d.id, series_id_)) {
        if (d.year >= first_year_) {
            if (series_.open(d.year - first_year_, slots)) at = d.year - first_year_;
        } else {
            const int before = first_year_ - d.year;
            if ((slots <= before || series_.open(0, slots - before)) && series_.room_before(before)) {
                series_.prepend(before);
                first_year_ = d.year;
                at = 0;
            }
        }
    }
    if (at < 0) {
        end_before(d);
        return true;
    }
    // A line that goes on from the one before it (1810 after 1800,
    // both before the series' first line 1820) is in order there.
    if (d.year != last_line_end_)
        warn_.write("(t2,'*** warning: line ',a8,i6,' is out of order: its values are read at their years',"
                    "' in series ',a8)",
                    name8(d.id), d.year, name8(series_id_));
    joins(t, d, line_no);
    last_line_end_ = d.year + slots;
    return take_values(d, slots, at, line_no);
}

bool SeriesInWork::take_values(const DataLine& d, int slots, int at, size_t line_no) {
    const long long usual = file_.usual_marker;
    auto store = [&](long long v, long long depth) {
        if (at < 0) series_.append(v, depth);
        else series_.place(at++, v, depth);
    };
    auto store_missing = [&](long long depth) {
        if (at < 0) series_.append_missing(depth);
        else series_.place_missing(at++, depth);
    };
    const int first_slot = index_ ? 10 - slots : 0;
    int last_slot = index_ ? 10 : slots;
    // A line cut short, whose end marker stands alone on the next line
    // at the year after its last value: the series ends there, and the
    // fields after that value are no missing values.
    const auto end = index_ || at >= 0 ? std::nullopt : marker_after_short_line(d, slots);
    if (end) last_slot = end->values;
    const Unread unread = unread_fields(d, first_slot, last_slot, index_, usual);
    if (unread.empty > 0)
        warn_.write("(t2,'*** warning: line ',a8,i6,' has',i3,' empty value fields: taken as missing values')",
                    name8(d.id), d.year, unread.empty);
    if (unread.damaged > 0)
        warn_.write("(t2,'*** warning: series ',a8,' line',i7,' of the file has',i3,' value fields with',"
                    "' control characters: taken as missing values')",
                    name8(series_id_), static_cast<int>(line_no + 1), unread.damaged);

    if (index_) {
        for (int k = 0; k < 10 - slots; ++k) {
            if (!d.blank[2 * k] && d.field[2 * k] < 9990) {
                warn_outside(warn_, d);
                break;
            }
        }
        for (int k = 10 - slots; k < 10; ++k) {
            if (d.damaged[k]) {
                store_missing(0);
                continue;
            }
            if (d.blank[2 * k]) {
                store_missing(d.field[2 * k + 1]);
                continue;
            }
            const long long v = d.field[2 * k];
            if (v >= 9990) {
                warn_if_values_after_marker(warn_, d, k + 1);
                finish(v);
                return true;
            }
            store(v, d.field[2 * k + 1]);
        }
        return false;
    }
    for (int k = 0; k < last_slot; ++k) {
        if (d.damaged[k] || d.blank[k]) {
            store_missing(0);
            continue;
        }
        const long long v = d.field[k];
        // A marker with values after it on its line is a value: a ring of
        // 999 in a series of thousandths, or a missing ring written -9999.
        if (ends_series(d, k, usual)) {
            if (v == hundredths_end && k == slots - 1 &&
                series_goes_on_in_thousandths(in_, file_, f_, series_id_, next_year_)) {
                rings_.push_back({line_no, d.year + k});
                store(v, 0);
                continue;
            }
            if (const long long stray = stray_after_end(d, k); stray != 0)
                warn_.write("(t2,'*** warning: line ',a8,i6,' holds',i6,' after its end marker',i6,': not read')",
                            name8(d.id), d.year, stray, v);
            warn_if_numbers_after_fields(d);
            finish(v);
            return true;
        }
        if (v == hundredths_end) rings_.push_back({line_no, d.year + k});
        store(v, 0);
    }
    if (end) {
        in_.seek(end->next_line);
        finish(end->marker);
        return true;
    }
    if (slots == 10 && (d.ends_after_fields || d.marker_after != 0)) {
        warn_if_numbers_after_fields(d);
        finish(d.ends_after_fields ? thousandths_end : d.marker_after);
        return true;
    }
    // Fields past the end of the line's decade belong to no year of
    // the series.
    bool outside = d.beyond;
    for (int k = slots; k < 10; ++k)
        if (!d.blank[k]) outside = true;
    if (outside) warn_outside(warn_, d);
    return false;
}

std::optional<SeriesInWork::ShortEnd> SeriesInWork::marker_after_short_line(const DataLine& d, int slots) {
    int values = 0;
    for (int k = 0; k < slots; ++k)
        if (!d.blank[k] || d.damaged[k]) values = k + 1;
    if (values == 0 || values == slots || d.beyond || line_end_marker(d, file_.usual_marker) != 0)
        return std::nullopt;
    std::optional<ShortEnd> end;
    const size_t back = in_.line_number();
    for (size_t at = back;; ++at) {
        auto got = next_line(in_);
        if (!got) break;
        const LineText t = text_at(*got, file_, f_, at);
        if (spaces_only(t.full)) continue;
        const DataLine n = data_at(t, file_, f_, at);
        const bool marker_only = n.year_read && n.values_read && !n.blank[0] && is_marker(n.field[0]) &&
                                 std::all_of(n.blank + 1, n.blank + 10, [](bool b) { return b; }) && !n.beyond;
        if (marker_only && same_identifier(n.id, series_id_) && n.year == d.year + values)
            end = ShortEnd{values, n.field[0], at + 1};
        break;
    }
    in_.seek(back);
    return end;
}

void SeriesInWork::warn_if_numbers_after_fields(const DataLine& d) {
    if (d.numbers_after)
        warn_.write("(t2,'*** warning: line ',a8,i6,' holds values after its end marker: not read')", name8(d.id),
                    d.year);
}

void SeriesInWork::end_before(const DataLine& d) {
    warn_.write("(t2,'*** warning: series ',a8,' ends without an end marker before line ',a8,i6)",
                name8(series_id_), name8(d.id), d.year);
    in_.backspace();
    finish(0);
}

void SeriesInWork::finish(long long marker) {
    const long long units = marker != 0 ? marker : file_.usual_marker;
    if (!index_ && units == thousandths_end) series_.scale_to_thousandths();
    write_rings(units);
    if (separated_ > 0)
        warn_.write("(t2,'*** warning: series ',a8,' has',i4,' lines without 6-column fields:',"
                    "' values read by their separators')",
                    name8(series_id_), separated_);
    if (shifted_left_ > 0)
        warn_.write("(t2,'*** warning: series ',a8,' has',i4,' lines one column to the left of the layout',"
                    "' (year in columns 8-11): read where they stand')",
                    name8(series_id_), shifted_left_);
    if (shifted_right_ > 0)
        warn_.write("(t2,'*** warning: series ',a8,' has',i4,' lines one column to the right of the layout',"
                    "' (year ending in column 13): read where they stand')",
                    name8(series_id_), shifted_right_);
    if (count_ > 0) join_series_read_before(marker != 0);
}

void SeriesInWork::join_series_read_before(bool by_marker) {
    const std::string key = identifier_key(series_id_);
    const int last_year = first_year_ + count_ - 1;
    auto& list = file_.earlier[key];
    if (!list.empty()) {
        const bool shares_years = std::any_of(list.begin(), list.end(), [&](const TucsonFile::Earlier& e) {
            return e.first_year <= last_year && first_year_ <= e.last_year;
        });
        if (list.back().by_marker && !shares_years) {
            if (std::find(file_.segments.begin(), file_.segments.end(), key) == file_.segments.end())
                file_.segments.push_back(key);
        } else {
            warn_.write("(t2,'*** warning: series ',a8,' from line',i7,' of the file has the identifier',"
                        "' of a series read before: two series share it')",
                        name8(series_id_), static_cast<int>(begin_line_ + 1));
        }
    }
    list.push_back({first_year_, last_year, begin_line_, in_.line_number(), by_marker});
    if (file_.indexed.count(key) != 0) index_lines(in_, file_, f_, key, begin_line_, in_.line_number());
}

void SeriesInWork::write_rings(long long units) {
    const bool other_units = units != 0 && !index_ && units != file_.usual_marker;
    const std::string read_in =
        !other_units ? "" : units == thousandths_end ? ": the series is read in thousandths"
                                                     : ": the series is read in hundredths";
    for (const auto& [line_no, year] : rings_)
        warn_.write("(t2,'*** warning: series ',a8,' line',i7,' of the file: 999 in year',i6,"
                    "' taken as a ring, not as an end marker',a)",
                    name8(series_id_), static_cast<int>(line_no + 1), year, read_in);
    rings_.clear();
}

void write_segments(const TucsonFile& file) {
    if (file.segments.empty()) return;
    OutFile& warn = streams().luout;
    warn.write("(t2,'*** warning: identifiers shared by segments of one core (each series after the end marker',"
               "' of the one before, on other years), with their numbers of series:')");
    constexpr size_t per_line = 6;
    for (size_t k = 0; k < file.segments.size(); k += per_line) {
        std::string line;
        for (size_t j = k; j < std::min(k + per_line, file.segments.size()); ++j) {
            const std::string& id = file.segments[j];
            line += fmt("(4x,a8,i3,$)", name8(id), static_cast<int>(file.earlier.at(id).size()));
        }
        warn.write("(t2,a)", line);
    }
}

}  // namespace kov::tucson_reading

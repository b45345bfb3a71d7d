#pragma once
// The Tucson reader, second step: the evidence that picks the reading of a
// line whose bytes can be laid into the columns in more than one way. The
// candidates of a line (the readings that give it a year and values in
// their columns), the marks of its own bytes, the lines around it and the
// habits of the file, weighed in one place (pick_reading). The survey
// (tucson_survey) asks it for every line that is not laid out plainly.
#include <algorithm>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "series/tucson_line.hpp"

namespace kov::tucson_reading {

// A line as one reading gives it: its identifier, its year and values, and
// whether those keep within the decade of its year.
struct Candidate {
    Reading reading = Reading::as_written;
    Shift shift = Shift::none;
    std::string id;  // identifier_key
    int year = 0;
    bool ends = false;       // an end marker ends its series on the line
    bool in_decade = false;  // its values keep within its decade, its end marker after them
    bool runs_on = false;    // its year's last digit touches its first value, which does not fill its field
    bool touches = false;    // its year's last digit touches its first value, whichever
    unsigned readings = 0;   // every reading that gives this same line, a bit each
    long long field[20] = {};
    bool blank[20] = {};

    bool same_line_as(const Candidate& o) const {
        return id == o.id && year == o.year && std::equal(std::begin(field), std::end(field), std::begin(o.field)) &&
               std::equal(std::begin(blank), std::end(blank), std::begin(o.blank));
    }
};

// A line as reading r, shift s, gives it.
Candidate candidate_of(const DataLine& d, Reading r, Shift s, bool runs_on, const Form& f);

// The readings of a line under which it has its year and values in their
// columns, one of each different line they give (marked when two readings
// give the same line). Where none gives it a year in its own columns, or
// only one that runs on, the line may stand one column off the layout: one
// column to the left ("EX101A 1835", its year in columns 8-11) or to the
// right (" EX101A  1830", "LONG1   -2999").
std::vector<Candidate> candidates(const std::string& raw, const Form& f);

// The marks of a line's own bytes that tell a writer's habit, and the reading
// each mark speaks for.
struct Marks {
    bool controls_first = false;  // control bytes before the identifier: dropped
    bool tab_before_digit = false;  // a tab straight before a digit: a tab stop before the year
    bool tab_before_blank = false;  // a tab followed by blanks: one column of padding
    bool multibyte = false;

    int kind() const {
        return (controls_first ? 1 : 0) | (tab_before_digit ? 2 : 0) | (tab_before_blank ? 4 : 0) | (multibyte ? 8 : 0);
    }
};

Marks marks_of(const std::string& raw, const Form& f);

inline constexpr int mark_kinds = 16;
inline constexpr int reading_count = 4;

// What the file's other lines say: for each kind of marks, how many lines of
// that kind took each reading (a year that runs on into its first value
// being a reading of its own) when their reading was not in doubt. Readings
// that give a line the same year and values cast no vote between them:
// "EX101AB<tab>1835" is the same line as written and with its tab at its tab
// stop, and counts for both alike.
struct Habits {
    int count[mark_kinds][2 * reading_count] = {};
    static int slot(int reading, bool runs_on) { return 2 * reading + (runs_on ? 1 : 0); }
    void note(const Marks& m, const Candidate& c) {
        if (c.shift != Shift::none) return;
        for (int r = 0; r < reading_count; ++r)
            if (c.readings & (1u << r)) ++count[m.kind()][slot(r, c.runs_on)];
    }
    // How many lines of the same marks took a reading that gives c.
    int votes(const Marks& m, const Candidate& c) const {
        int most = 0;
        if (c.shift == Shift::none)
            for (int r = 0; r < reading_count; ++r)
                if (c.readings & (1u << r)) most = std::max(most, count[m.kind()][slot(r, c.runs_on)]);
        return most;
    }
};

// The evidence of the lines around a line: the candidates of the data line
// before it and of the one after it (none when there is none).
struct Neighbours {
    std::vector<Candidate> before, after;
};

// The one place that says which evidence picks the reading of a line that is
// not laid out plainly, among the readings that give it a year and values in
// their columns (candidates). First, two readings are no readings of it:
// - a year that runs on into its first value, unless its values end at its
//   end marker or its neighbours go on from it or into it
//   ("HNA0417A185225    22 ..." before "HNA0417A1860");
// - a reading that gives another identifier to a line whose decade is the
//   one between two lines of one series (a letter put into it).
// Then the strongest evidence first, each deciding only where the ones
// before it leave a choice:
// 1. the lines around it: the reading under which its identifier is that of
//    the data line before it or after it (its series' other lines), and its
//    year goes on from that line's decade or into the next line's;
// 2. the line itself: a year and values that keep within one decade, ending
//    where its end marker stands;
// 3. the file: the reading that the file's other lines with the same marks
//    took where 1 or 2 told (`habits`; a year that runs on is a reading of
//    its own there);
// 4. a year that stands apart from its first value before one that touches
//    it ("   1860122" is year 1 and 860122, or year 1860 and 122);
// 5. a year in its own columns before the same digits taken into the
//    identifier by another reading ("AB1835" at year 63 beside "AB" at 1835,
//    an identifier right-justified after NULs);
// 6. the line's marks: control bytes in front of its identifier are dropped,
//    a tab straight before a digit stands for the blanks up to a tab stop,
//    and a tab before blanks is one column of padding;
// 7. the line as it is written.
// With no reading left the line is read as written, and goes down the chain
// of lines that cannot be read (trrw).
// `told` is set when the line itself or its neighbours told (1 or 2, or a
// single reading), so that the line can speak for the file's habit.
//
// Two other places decide how a line is read, from many lines at once: the
// survey's year forms (a minus sign in the identifier's last columns starts
// a year of five or six columns, or belongs to the identifier:
// survey_year_forms_and_units) and the file's usual units. A line that no
// reading fits goes down the chain of trrw: a line of its series, whose
// decade becomes missing values; the first line of a series placed by its
// next line; an identifier too long for the layout; a spoiled data line; a
// text line.
std::optional<Candidate> pick_reading(std::vector<Candidate> c, const Neighbours& n, const Marks& m,
                                      const Habits* habits, bool* told = nullptr);

}  // namespace kov::tucson_reading

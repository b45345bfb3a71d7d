#pragma once
// The Tucson reader, third step: the survey of a whole file before its first
// series. It picks the reading of every line (by the evidence of
// tucson_evidence), the year form of the lines whose identifier holds a
// minus sign, and the usual units of the file, and keeps them in TucsonFile;
// the series in work and trrw then read each line as the survey chose
// (text_at, data_at, look_ahead).
#include <cstddef>
#include <string>

#include "series/tucson_read.hpp"
#include "series/tucson_line.hpp"
#include "shared/files.hpp"

namespace kov::tucson_reading {

// Surveys the lines of `in` from where it stands to its end ("mr" or, with
// index, "ir"), and goes back to where it stood.
void survey_tucson_file(TextIn& in, bool index, TucsonFile& file);

// Line `line` of the file laid out, and read, as the survey chose.
LineText text_at(const std::string& raw, const TucsonFile& file, const Form& f, size_t line);
DataLine data_at(const LineText& t, const TucsonFile& file, const Form& f, size_t line);

// Reads the lines after the one just read, each as a data line (blank lines
// and lines without a year passed over), until `look` returns false or the
// file ends; then the file stands where it stood.
template <class Look>
void look_ahead(TextIn& in, const TucsonFile& file, const Form& f, Look look) {
    const size_t back = in.line_number();
    for (;;) {
        const size_t at = in.line_number();
        auto got = next_line(in);
        if (!got) break;
        const LineText t = text_at(*got, file, f, at);
        if (spaces_only(t.full) || year_columns_blank(t.line, f)) continue;
        if (!look(data_at(t, file, f, at))) break;
    }
    in.seek(back);
}

}  // namespace kov::tucson_reading

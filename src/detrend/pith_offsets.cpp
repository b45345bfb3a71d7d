#include "detrend/pith_offsets.hpp"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "detrend/curve_review.hpp"
#include "series/viewer.hpp"
#include "shared/console.hpp"
#include "shared/files.hpp"
#include "shared/layout.hpp"
#include "shared/output_names.hpp"
#include "shared/stop.hpp"
#include "shared/tables.hpp"
#include "shared/text_helpers.hpp"

namespace kov {

namespace {

void pith_offset_help() {
    help_page({
        "the rcs pith offset file is an optional file for",
        "reading in the number of years between the pith",
        "and the first year of data when the regional curve",
        "standardization (rcs) option -2 is used to detrend",
        "the individual core series. this information is",
        "necessary to estimate rcs curve most precisely.",
        "if no pith offset file is opened, the program",
        "assumes a zero offset for all series. if this file",
        "of information is available, the pith offset data ",
        "are saved in the batch detail file for using the",
        "rcs option in batch mode. groovy, huh?",
    });
}

void offset_table(std::span<const int> pitoff, int nc) {
    auto& out = streams().luout;
    const auto& s = shared();
    for (int g = 1; g <= nc; g += 8) {
        const int last = std::min(nc, g + 7);
        std::vector<std::string> ids;
        std::vector<int> offs;
        for (int j = g; j <= last; ++j) {
            ids.push_back(in_columns(s.serids[j], 8));
            offs.push_back(pitoff[j - 1]);
        }
        out.write("('  id: ',8(1x,a8))", ids);
        out.write("(3x,8i9)", offs);
    }
}

// The k whole numbers of one record, free-form; nullopt when the record
// does not hold them.
std::optional<std::vector<int>> record_values(const std::string& line, int k) {
    const auto fields = free_fields(line);
    if (static_cast<int>(fields.size()) < k) return std::nullopt;
    std::vector<int> v;
    try {
        for (int i = 0; i < k; ++i) v.push_back(static_cast<int>(free_int(fields[i])));
    } catch (const ReadError&) {
        return std::nullopt;
    }
    return v;
}

// Rewrites the file as one offset per line, keeping its text in the "_save"
// copy, which is as private as the file. The user's file is replaced only by a
// whole new one, with its own permissions: a stop in the questions below or a
// failed write leaves it as it was. Without its copy it is not reformatted,
// and read as it stands.
void reformat(TextIn& file, const std::string& name) {
    const std::string save_name = rtrim(name) + std::string(suffix::pith_offset_copy);
    std::vector<std::string> copy;
    file.rewind();
    OutFile save;
    if (!create_copy_output(save, save_name, rtrim(name))) {
        con().write("(1x,'*** the pith offset data are not reformatted')");
        return;
    }
    while (auto line = file.read_line()) {
        copy.push_back(padded(*line, 85));
        save.line(copy.back());
    }
    save.close();
    OutFile fresh;
    if (!fresh.open_rewrite(rtrim(name))) {
        report_output_failure(rtrim(name), OutputFailure::not_created);
        con().write("(1x,'*** the pith offset data are not reformatted')");
        return;
    }
    std::optional<int> k;
    while (true) {
        con().write("(1x,'how many columns in file',t45,'==> ',$)");
        k = answer_int();
        // a record needs at least one column to hold an offset
        if (k && *k >= 1) break;
    }
    con().write("(1x,'which column has the pith offset data?',t45,'==> ',$)");
    int c = 0;
    while (true) {
        const auto v = answer_int();
        if (v && *v <= *k && *v >= 1) {
            c = *v;
            break;
        }
    }
    int shift = 0;
    while (true) {
        con().write("(1x,'is each listed pith offset value the'/1x,'      number of years missing         (1)'/"
                    "1x,'              or the'/1x,'  first cambial age year present?     (2)',t45,'==> ',$)");
        const auto v = answer_int();
        if (v && (*v == 1 || *v == 2)) {
            shift = *v - 1;
            break;
        }
    }
    int count = 0;
    for (const auto& line : copy) {
        const auto v = record_values(line, *k);
        if (!v) continue;
        fresh.write("(i5)", (*v)[c - 1] - shift);
        ++count;
    }
    fresh.close();
    con().write("(/1x,'reformatted pith offset data: ',i5,' values'/)", count);
    con().write("(1x,'  *** read them in free format mode ***')");
    file.open(rtrim(name));
}

// One offset of a record: by the typed layout, or free-form.
std::optional<int> offset_of(const std::string& line, const std::string& layout) {
    try {
        if (layout.empty()) {
            const auto fields = free_fields(line);
            if (fields.empty()) return std::nullopt;
            return static_cast<int>(free_int(fields[0]));
        }
        const auto v = read_values(layout, line, 1);
        if (v.empty()) return std::nullopt;
        if (v[0].kind == FVal::Int) return static_cast<int>(v[0].i);
        // A real read by a typed layout may lie beyond the integers: no
        // offset then, as for a field that cannot be read.
        if (v[0].kind == FVal::Real && std::fabs(v[0].r) < 2147483647.0) return static_cast<int>(v[0].r);
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

}  // namespace

void read_pith_offsets(std::span<int> pitoff) {
    auto& s = shared();
    auto& out = streams().luout;
    const int nc = s.nc;
    const int iprt = s.optval(17, 1);
    if (s.batmod != "n" && s.batmod != "N") {
        long long sum = 0;  // 8001 offsets of six digits overflow 32 bits
        for (int j = 1; j <= nc; ++j) sum += pitoff[j - 1] = s.sertbl(j, yfp);
        if (iprt >= 2) {
            out.write("(/t17,'rcs pith offset data read in from ','batch detail file'/)");
            if (sum < 1)
                out.write("(t21,'***   all pith offset data are zero   ***')");
            else
                offset_table(pitoff, nc);
        }
        return;
    }

    TextIn file;
    std::string name;
    while (true) {
        con().write("(/1x,'open rcs pith offset file:'/1x,'file name (/ to exit, 0 = none)',t45,'==> ',$)");
        name = padded(con().answer(), 60);
        if (name[0] == '/') throw Stop("", exit_ok);
        if (name[0] == ' ' || name[0] == '0') {
            std::fill_n(pitoff.begin(), nc, 0);
            return;
        }
        if (file.open(rtrim(name))) break;
        con().write("(/1x,'*** error opening rcs pith offset file: ',a)", name);
    }
    pith_offset_help();
    snoop(file);
    con().write("(/1x,'reformat the data? this act might be useful if the'/"
                "1x,'pith offset data are stored columnwise, are in some '/"
                "1x,'column other than column #1, and are left-justified'/"
                "1x,'in that column. in this case, you can not use either'/"
                "1x,'the formated or free format read option. also, if'/"
                "1x,'your data are in the form of the number of the first'/"
                "1x,'cambial age years present, you will want to reformat'/"
                "1x,'the data as well because the program assumes that'/"
                "1x,'the pith offset data are the number of years missing.'/"
                "1x,'in any case, do not worry about doing this. if you'/"
                "1x,'reformat the data, your original file will be saved.'/"
                "1x,'so, again, reformat the data? y/<n>',t45,'==> ',$)");
    const char a = first_char(con().answer());
    if (a == 'y' || a == 'Y') reformat(file, name);

    std::string layout;
    while (true) {
        con().write("(1x,'data format (h to help, <ret> = free form)',t45,'==> ',$)");
        const std::string typed = padded(con().answer(), 60);
        const char f = typed[0];
        if (f == 'h' || f == 'H') {
            snoop(file);
            continue;
        }
        layout = (f == ' ' || f == '*') ? std::string() : rtrim(typed);
        break;
    }

    file.rewind();
    int count = 0, errors = 0;
    while (auto line = file.read_line()) {
        // a blank record is no value in a free-form read
        if (layout.empty() && free_fields(*line).empty()) continue;
        const auto v = offset_of(*line, layout);
        if (v) {
            ++count;
            if (count <= static_cast<int>(pitoff.size())) pitoff[count - 1] = *v;
            continue;
        }
        if (++errors == 1) {
            con().write("(/1x,'*** pith offset title:'/1x,a)", padded(*line, 40));
            continue;
        }
        con().write("(/1x,'*** error reading rcs pith offset file'/1x,'*** error in line number: ',i4)", count);
        file.close();
        con().wait();
        throw Stop("", exit_failure);
    }
    con().write("(/1x,'pith offset values read: ',i5)", count);
    if (count != nc) {
        con().write("(/1x,'*** pith offset values read .ne. ','number of series. oops!')");
        con().wait();
        throw Stop("", exit_failure);
    }
    // An offset counts the years before the first ring: one below 0 would put
    // the series at cambial ages of 0 and below, and the batch detail file
    // that carries it into the next run would be refused for it.
    for (int j = 1; j <= nc; ++j) {
        if (pitoff[j - 1] >= 0) continue;
        con().write("(/1x,'*** pith offset',i6,' of series',i6,' (',a,') is below 0')", pitoff[j - 1], j,
                    rtrim(s.serids[j]));
        con().wait();
        throw Stop("", exit_failure);
    }
    if (iprt >= 2) {
        out.write("(/t10,'rcs pith offset file processed:  ',a/)", padded(name, 30));
        offset_table(pitoff, nc);
    }
    file.close();
}

}  // namespace kov

#include "series/tucson.hpp"

#include <vector>

#include "series/fixed_text.hpp"
#include "shared/files.hpp"
#include "shared/layout.hpp"

namespace kov {

void trrw(std::string_view id, int first_year, int count, std::span<const float> values,
          std::span<const int> depths, OutFile& out, std::string_view mode, std::string_view tag) {
    if (count < 1) return;
    // The identifier's columns: an identifier of UTF-8 characters of several
    // bytes keeps as many characters as the layout has columns for it, as the
    // readers count columns.
    const std::string tag3 = padded(tag, 3);
    const size_t n = static_cast<size_t>(count);

    if (same_letters(mode, "mw")) {
        int year = first_year;
        int slots = 10 - mod10(year);
        size_t i = 0;
        bool finished = false;
        int beyond = 0;
        std::vector<long long> f;
        while (!finished) {
            f.clear();
            for (int s = 0; s < slots; ++s) {
                if (i >= n) {
                    f.push_back(-9999);
                    finished = true;
                    break;
                }
                long long iv = nint(values[i++] * 1000.0f);
                if (iv == 999) iv = 1000;  // a field of 999 would read back as the end marker
                // Asterisks would make the whole line unreadable when read
                // back: the value is held at the edge of its field instead.
                if (iv > 999999 || iv < -99999) {
                    iv = iv > 0 ? 999999 : -99999;
                    ++beyond;
                }
                f.push_back(iv);
            }
            const bool full = f.size() == 10;
            if (year >= -999) {
                if (full)
                    out.write("(a8,i4,10i6,t75,a)", in_columns(id, 8), year, f, tag3);
                else
                    out.write("(a8,i4,10i6)", in_columns(id, 8), year, f);
            } else if (year >= -9999) {
                if (full)
                    out.write("(a7,i5,10i6,t75,a)", in_columns(id, 7), year, f, tag3);
                else
                    out.write("(a7,i5,10i6)", in_columns(id, 7), year, f);
            } else {
                if (full)
                    out.write("(a6,i6,10i6,t75,a)", in_columns(id, 6), year, f, tag3);
                else
                    out.write("(a6,i6,10i6)", in_columns(id, 6), year, f);
            }
            year += slots;
            slots = 10;
        }
        if (beyond > 0)
            streams().luout.write("(t2,'*** warning: ',a8,':',i6,' values too large for the ring-width layout',"
                                  "' written as 999999 or -99999')",
                                  in_columns(id, 8), beyond);
        return;
    }

    const bool cru = same_letters(mode, "cr");
    if (!cru && !same_letters(mode, "iw")) return;
    if (cru) {
        int last = first_year + count - 1;
        if (first_year < -999 || last < -999)
            out.write("(a6,2i5)", in_columns(id, 6), first_year, last);
        else
            out.write("(a6,2i4)", in_columns(id, 6), first_year, last);
    }
    // A minus sign straight before a year of four digits may read back as the
    // sign of a year of five or six (MR07D-1995 is also the line of series
    // MR07D in 1995 BC). The reader tells the two apart by the years of the
    // lines that follow, which go on under one reading only; a series of one
    // line gives it nothing to go by, and there the index layout writes a
    // blank in the sign's place. The CRU form is read by its header line,
    // which keeps the identifier.
    std::string id6 = in_columns(id, 6);
    const size_t sign = column_byte(id6, 5);
    const bool one_line = first_year - mod10(first_year) == first_year + count - mod10(first_year + count);
    const bool sign_before_year = !cru && one_line && first_year + count >= 1000 &&
                                  (id6[sign] == '-' || (id6[sign - 1] == '-' && id6[sign] >= '0' && id6[sign] <= '9'));
    if (sign_before_year) {
        id6[id6[sign] == '-' ? sign : sign - 1] = ' ';
        streams().luout.write("(t2,'*** warning: ',a6,': a minus sign before the year would read as its sign:',"
                              "' written as ',a6)",
                              in_columns(id, 6), id6);
    }
    const bool depth_one = depths.empty() || depths[0] < 1;
    int too_large = 0, deep = 0;
    size_t i = 0;
    int slot0 = mod10(first_year);
    int year_field = first_year;
    int decade = first_year - mod10(first_year);
    long long pair[20];
    for (;;) {
        if (cru && i >= n) break;
        for (int k = 0; k < 10; ++k) {
            pair[2 * k] = 9990;
            pair[2 * k + 1] = 0;
        }
        bool used_up = false;
        for (int k = slot0; k < 10; ++k) {
            if (i >= n) {
                used_up = true;
                break;
            }
            long long iv = nint(values[i] * 1000.0f);
            // A value that would print as the end marker, or not fit its four
            // columns, would end or break the series when read back.
            if (iv >= 9990 || iv < -999) {
                iv = 9989;
                ++too_large;
            }
            long long dp = depth_one ? 1 : (i < depths.size() ? depths[i] : 1);
            if (dp > 999) {
                dp = 999;
                ++deep;
            }
            pair[2 * k] = iv;
            pair[2 * k + 1] = dp;
            ++i;
        }
        std::span<const long long> pairs(pair, 20);
        if (year_field >= -999)
            out.write("(a6,i4,10(i4,i3),2x,a)", id6, year_field, pairs, tag3);
        else if (year_field >= -9999)
            out.write("(a5,i5,10(i4,i3),2x,a)", in_columns(id, 5), year_field, pairs, tag3);
        else
            out.write("(a4,i6,10(i4,i3),2x,a)", in_columns(id, 4), year_field, pairs, tag3);
        if (used_up) break;
        slot0 = 0;
        decade += 10;
        year_field = decade;
    }
    OutFile& warn = streams().luout;
    if (too_large > 0)
        warn.write("(t2,'*** warning: ',a6,':',i6,' index values too large for the index layout written as 9989')",
                   in_columns(id, 6), too_large);
    if (deep > 0)
        warn.write("(t2,'*** warning: ',a6,':',i6,' sample depths above 999 written as 999')", in_columns(id, 6), deep);
}

}  // namespace kov

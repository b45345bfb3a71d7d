#include "series/series_reader.hpp"

#include <algorithm>
#include <array>
#include <climits>
#include <sstream>

#include "numerics/statistics.hpp"
#include "series/compact.hpp"
#include "series/cru.hpp"
#include "series/fixed_text.hpp"
#include "series/gap_filling.hpp"
#include "series/series_statistics.hpp"
#include "series/tucson_read.hpp"
#include "shared/console.hpp"
#include "shared/files.hpp"
#include "shared/layout.hpp"
#include "shared/stop.hpp"

namespace kov {

namespace {

void list_header_lines(OutFile& lst, const std::array<std::string, 3>& hdrlin) {
    lst.write("(/2x,'data header lines:')");
    for (const auto& h : hdrlin)
        if (!is_blank(std::string_view(h).substr(0, std::min<size_t>(6, h.size())))) lst.write("(2x,a)", h);
}

void list_statistics(OutFile& lst, int nc, const Table<int>& sertbl, const std::vector<std::string>& serids,
                     const Table<float>& rawstat) {
    lst.write("(/t2,'|------------------ statistics of raw tree-ring measurements ------------------|')");
    for (int k = 1; k <= nc; ++k) {
        if (k == 1 || k % 20 == 0)
            lst.write("(/t2,'series   ident   frst   last   year    mean   stdev   skew   kurt   sens   ac(1)')");
        const int first = sertbl(k, ify), last = sertbl(k, ily);
        const std::array<float, 6> figures = {rawstat(k, 2), rawstat(k, 3), rawstat(k, 4),
                                              rawstat(k, 5), rawstat(k, 6), rawstat(k, 7)};
        // "(t2,i5,3x,a7,i6,2i7,2f8.3,3f7.3,f8.3)"
        lst.write("(t2,i5,3x,a7,i6,2i7," + statistics_figures(figures) + ")", k, serids[k], first, last,
                  last - first + 1, figures);
    }
}

// A measured value is one above 0: a negative value is missing, and a
// series of zeros only gives no curve, no index and no chronology worth the
// name, as the detrending says of such a series.
bool holds_measured_value(std::span<const float> values) {
    return std::any_of(values.begin(), values.end(), [](float v) { return v > 0.0f; });
}

// The two messages that say which file a stop of the reader is about.
std::string no_series_line(const std::string& name) {
    return " *** nc .le. 0 after reading tree-ring data:  " + name + "\n";
}

std::string stopped_in_line(const std::string& name) { return " *** in data file:  " + name + "\n"; }

// The warnings the readers wrote to `listing`, for the console before the
// line that refuses the file: a refused run writes no listing, and they say
// why the file gave no series (lines that cannot be read, series that hold
// no measured value). The first few, then how many more.
std::string reader_warnings(const std::string& listing) {
    constexpr int shown = 10;
    std::string out;
    int n = 0;
    for (size_t at = 0; at < listing.size();) {
        const size_t end = std::min(listing.find('\n', at), listing.size());
        const std::string_view line(listing.data() + at, end - at);
        if (line.starts_with(" *** warning") && ++n <= shown) (out += line) += '\n';
        at = end + 1;
    }
    if (n > shown) out += " *** " + std::to_string(n - shown) + " more warnings about this file\n";
    return out;
}

std::string span_exceeded(int span, int ld) {
    return fmt("(/t2,'*** total series length exceeds maximum allowable length: ',i6,' > ',i6,' max ***')", span, ld);
}

}  // namespace

int each_series(TextIn& in, std::string_view read_mode, int ld, int mxs, std::span<float> values,
                std::span<int> depths, std::string& title, std::array<std::string, 3>& hdrlin, OutFile& lst,
                const std::function<bool(int)>& keep, const std::function<void(const SeriesRead&)>& take) {
    std::string mode = padded(read_mode, 2);
    for (char& c : mode) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const bool tucson = mode == "mr" || mode == "ir";
    const bool compact = mode == "cd";
    values = values.first(static_cast<size_t>(ld));
    depths = depths.first(static_cast<size_t>(ld));
    std::string idbuf(8, ' ');
    int counter = 0;
    int skipped = 0;  // series left out of the file positions
    int taken = 0;
    TucsonFile tucson_file;

    for (;;) {
        idbuf = std::string(8, ' ');
        int first = 0, count = -999;
        if (mode == "mr") {
            trrw(idbuf, first, count, values, depths, counter, in, nullptr, "mr", title, hdrlin, tucson_file);
            if (counter == 1) list_header_lines(lst, hdrlin);
        } else if (mode == "ir") {
            idbuf = "********";
            trrw(idbuf, first, count, values, depths, counter, in, nullptr, "ir", title, hdrlin, tucson_file);
        } else if (mode == "cr") {
            rinfrn(idbuf, first, count, values, depths, counter, in, title);
        } else if (compact) {
            cdf(idbuf, values, first, count, counter, in, title);
        }

        if ((tucson || compact) && count == 0 && counter != -999) {
            // A series without values (a Tucson series that is nothing but its
            // end marker, a compact header with a count of 0) would leave an
            // empty series that no later stage can work with: it is skipped,
            // the series after it are still read, and it takes no position in
            // the file's numbering so that a batch detail file stays aligned.
            if (tucson)
                lst.write("(t2,'*** warning: series ',a8,' holds no values (end marker only): skipped')", idbuf);
            else
                lst.write("(t2,'*** warning: series ',a8,' holds no values (count 0): skipped')", idbuf);
            ++skipped;
            continue;
        }
        if (count < 1) {
            // The end of the file is told by the series counter: a header whose
            // years or count give -999 values is no end of the file.
            if (counter != -999)
                lst.write("(t2,'*** warning: series ',a8,' has',i6,' values: reading of the file ends here')",
                          idbuf, count);
            break;
        }
        if (count > ld)
            stop_after_wait(fmt("(/t2,'*** series read in exceeds maximum allowable length: ',a8,2x,i5,' > ',i5,"
                                "' max ***')",
                                idbuf, count, ld));
        if (!holds_measured_value(values.first(static_cast<size_t>(count)))) {
            // Lines that could not be read (widths written with decimal
            // points, text under an identifier) give a series of missing
            // values only: no chronology, statistic or curve can be made of
            // it, nor of a series of zeros. It is left out like a series
            // without values, and takes no position either: the batch detail
            // file written after it has no record of it.
            lst.write("(t2,'*** warning: series ',a8,' holds no measured value in its',i6,' years: skipped')", idbuf,
                      count);
            ++skipped;
            continue;
        }
        const int s = counter - skipped;
        if (s > mxs)
            stop_after_wait("\n *** number of series exceeds maximum allowed: " + std::to_string(mxs) + " max ***\n");
        if (!keep(s)) continue;
        ++taken;
        take(SeriesRead{s, idbuf, first, values.first(static_cast<size_t>(count)),
                        depths.first(static_cast<size_t>(count))});
    }
    return taken;
}

void rdsers(SeriesMatrix& sermat, std::span<float> work, std::span<int> cnt, int& nc, Table<int>& sertbl,
            std::string& idbuf, std::vector<std::string>& serids, int ld, int mxs, std::string& title,
            float& rawmax, Table<float>& rawstat, int& ngap) {
    SharedTables& t = shared();
    OutFile& lst = streams().luout;
    TextIn& in = streams().ludata;

    sermat.clear();
    lst.write("(/t2,'|------------------- tree-ring series read in for processing ------------------|')");
    nc = 0;
    ngap = 0;
    std::string tbuf(80, ' ');
    for (auto& h : t.hdrlin) h = std::string(85, ' ');

    const bool batch = !t.batmod.empty() && (t.batmod[0] == 'y' || t.batmod[0] == 'Y');
    const int itrn = t.optval(3, 1);
    const int iprint = t.optval(17, 1);

    ld = std::min({ld, static_cast<int>(work.size()), static_cast<int>(cnt.size())});
    int first_all = INT_MAX, last_all = INT_MIN;

    auto keep = [&](int s) { return !batch || sertbl(s, icu) == 1; };
    auto take = [&](const SeriesRead& r) {
        ++nc;
        idbuf = r.id;
        serids[nc] = in_columns(r.id, 8);
        sertbl(nc, ify) = r.first_year;
        sertbl(nc, ily) = r.first_year + static_cast<int>(r.values.size()) - 1;
        if (batch) {
            for (int c = yfp; c <= ics; ++c) sertbl(nc, c) = sertbl(r.position, c);
            t.ips_from_record[static_cast<size_t>(nc)] = t.ips_from_record[static_cast<size_t>(r.position)];
        }

        if (nc == 1) {
            title = padded(tbuf, 85);
            lst.write("(/t2,'|------------ series gaps found based on any negative number found ------------|')");
            if (itrn > 0)
                lst.write("(t2,'      *** when data are transformed, zeros are also treated as missing ***')");
            lst.write("(/t2,'       series      ident      results of scans for gaps or missing values')");
        }
        const int count = static_cast<int>(r.values.size());
        first_all = std::min(first_all, r.first_year);
        last_all = std::max(last_all, r.first_year + count - 1);

        const int nmiss = gapscan(r.values, r.id, nc, r.depths, r.first_year, itrn, lst);
        if (nmiss > 0) ++ngap;

        // The matrix takes the values as read; the statistics work on the
        // reader's copy, whose standardisation round trip must not reach them.
        std::copy(r.values.begin(), r.values.end(), sermat.rows(nc, 1, count));
        float ave, adev, sdev, var, skew, curt, sens, ac1;
        serstat(r.values, r.depths, count, ave, adev, sdev, var, skew, curt, sens, ac1);
        put_statistics_row(rawstat, nc, static_cast<float>(count - nmiss), ave, sdev, skew, curt, sens, ac1);
    };

    try {
        each_series(in, t.dtype, ld, mxs, work, cnt, tbuf, t.hdrlin, lst, keep, take);
    } catch (const WriteFailed&) {
        throw;
    } catch (const Stop& s) {
        // The reader's own stop: the listing repeats its message, and both
        // name the file it is about.
        if (s.status != exit_failure) throw;
        lst.put(s.said.empty() ? con().last_line() + "\n" : s.said);
        const std::string named = stopped_in_line(in.name());
        con().put(named);
        lst.put(named);
        throw;
    }

    if (nc <= 0) {
        const std::string said = no_series_line(in.name());
        lst.put(said);
        stop_after_wait(said);
    }
    if (ngap == 0) lst.write("(/27x,'--- no gaps in data found ---')");
    sertbl(nc + 1, ify) = first_all;
    sertbl(nc + 1, ily) = last_all;
    const int span = last_all - first_all + 1;

    if (iprint > 1) list_statistics(lst, nc, sertbl, serids, rawstat);

    con().write("(/t2,i6,' series from',i7,' to',i7,i8,' years')", nc, first_all, last_all, span);
    lst.write("(/t8,'number of series read in: ',i4,'   from',i7,'  to',i7,i8,' years')", nc, first_all, last_all,
              span);

    if (nc == 1) {
        // One series has no summary; its mean is the largest mean there is.
        rawmax = rawstat(1, 2);
        return;
    }
    lst.write("(/t2,'|---------------- summary of raw tree-ring series statistics ------------------|'/)");
    if (span > ld) {
        const std::string said = span_exceeded(span, ld) + stopped_in_line(in.name());
        lst.put(said);
        stop_after_wait(said);
    }
    // rows 1 to 8 become the summary, the rows below stay in series order
    const auto sum = summarise_columns(rawstat, 7, nc, SummaryInTable::summary);
    rawmax = rawstat(8, 2);
    write_summary_rows(lst, sum);
}

std::optional<std::string> series_fault(const std::string& name, std::string_view read_mode,
                                        const std::function<bool(int)>& keep) {
    TextIn in;
    if (!in.open(name)) return std::nullopt;  // a name that leads to no file is named for that
    // Nothing of this reading may reach the user but the fault and why: the
    // readers' console lines (titles, stops) go to a console of their own,
    // and the warnings they write to the listing, which is not open yet, are
    // held in memory.
    std::istringstream no_answers;
    std::ostream nowhere(nullptr);
    Console quiet(no_answers, nowhere);
    OutFile& listing = streams().luout;
    const bool held = !listing.is_open();
    if (held) listing.open_in_memory();
    struct Restore {
        Console* earlier;
        OutFile* held;
        ~Restore() {
            set_console(earlier);
            if (held) held->discard();
        }
    } restore{set_console(&quiet), held ? &listing : nullptr};

    std::vector<float> values(mxy);
    std::vector<int> depths(mxy);
    std::string title(80, ' ');
    std::array<std::string, 3> hdrlin;
    for (auto& h : hdrlin) h = std::string(85, ' ');
    OutFile no_listing;
    OutFile& lst = held ? listing : no_listing;
    int first_all = INT_MAX, last_all = INT_MIN;
    auto take = [&](const SeriesRead& r) {
        first_all = std::min(first_all, r.first_year);
        last_all = std::max(last_all, r.first_year + static_cast<int>(r.values.size()) - 1);
    };
    // A fault as the console shows it: a blank line, the readers' warnings,
    // its message (without the blank lines it begins with), the file.
    auto fault = [&](std::string said, bool named) {
        for (size_t end = said.find('\n'); end != std::string::npos && is_blank(said.substr(0, end));
             end = said.find('\n'))
            said.erase(0, end + 1);
        return "\n" + reader_warnings(listing.held()) + said + (named ? stopped_in_line(name) : std::string());
    };
    int n = 0;
    try {
        n = each_series(in, read_mode, mxy, mxs, values, depths, title, hdrlin, lst, keep, take);
    } catch (const WriteFailed&) {
        throw;
    } catch (const Stop& s) {
        if (s.status != exit_failure) throw;
        return fault(s.said.empty() ? quiet.last_line() + "\n" : s.said, true);
    }
    if (n == 0) return fault(no_series_line(name), false);
    if (n >= 2 && last_all - first_all + 1 > mxy) return fault(span_exceeded(last_all - first_all + 1, mxy), true);
    return std::nullopt;
}

}  // namespace kov

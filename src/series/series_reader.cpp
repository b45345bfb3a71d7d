#include "series/series_reader.hpp"

#include <algorithm>
#include <array>
#include <climits>

#include "numerics/statistics.hpp"
#include "series/compact.hpp"
#include "series/cru.hpp"
#include "series/fixed_text.hpp"
#include "series/gap_filling.hpp"
#include "series/series_statistics.hpp"
#include "series/tucson.hpp"
#include "shared/console.hpp"
#include "shared/files.hpp"
#include "shared/layout.hpp"
#include "shared/stop.hpp"

namespace kov {

namespace {

[[noreturn]] void stop_after_wait() {
    con().wait();
    throw Stop("", exit_failure);
}

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

}  // namespace

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
    int counter = 0;
    int skipped = 0;  // series of no values, left out of the file positions
    std::string tbuf(80, ' ');
    for (auto& h : t.hdrlin) h = std::string(85, ' ');

    std::string mode = padded(t.dtype, 2);
    for (char& c : mode) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const bool tucson = mode == "mr" || mode == "ir";
    const bool compact = mode == "cd";
    const bool batch = !t.batmod.empty() && (t.batmod[0] == 'y' || t.batmod[0] == 'Y');
    const int itrn = t.optval(3, 1);
    const int iprint = t.optval(17, 1);

    ld = std::min({ld, static_cast<int>(work.size()), static_cast<int>(cnt.size())});
    std::span<float> values = work.first(static_cast<size_t>(ld));
    std::span<int> depths = cnt.first(static_cast<size_t>(ld));
    int first_all = INT_MAX, last_all = INT_MIN;
    TucsonFile tucson_file;

    for (;;) {
        idbuf = std::string(8, ' ');
        int first = 0, count = -999;
        if (mode == "mr") {
            trrw(idbuf, first, count, values, depths, counter, in, nullptr, "mr", tbuf, t.hdrlin, tucson_file);
            if (counter == 1) list_header_lines(lst, t.hdrlin);
        } else if (mode == "ir") {
            idbuf = "********";
            trrw(idbuf, first, count, values, depths, counter, in, nullptr, "ir", tbuf, t.hdrlin, tucson_file);
        } else if (mode == "cr") {
            rinfrn(idbuf, first, count, values, depths, counter, in, tbuf);
        } else if (compact) {
            cdf(idbuf, values, first, count, counter, in, tbuf);
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
        if (count > ld) {
            con().write("(/t2,'*** series read in exceeds maximum allowable length: ',a8,2x,i5,' > ',i5,' max ***')",
                        idbuf, count, ld);
            stop_after_wait();
        }
        const int s = counter - skipped;
        if (s > mxs) {
            con().line("");
            con().line(" *** number of series exceeds maximum allowed: " + std::to_string(mxs) + " max ***");
            stop_after_wait();
        }
        if (batch && sertbl(s, icu) != 1) continue;

        ++nc;
        serids[nc] = in_columns(idbuf, 8);
        sertbl(nc, ify) = first;
        sertbl(nc, ily) = first + count - 1;
        if (batch) {
            for (int c = yfp; c <= ics; ++c) sertbl(nc, c) = sertbl(s, c);
            t.ips_from_record[static_cast<size_t>(nc)] = t.ips_from_record[static_cast<size_t>(s)];
        }

        if (nc == 1) {
            title = padded(tbuf, 85);
            lst.write("(/t2,'|------------ series gaps found based on any negative number found ------------|')");
            if (itrn > 0)
                lst.write("(t2,'      *** when data are transformed, zeros are also treated as missing ***')");
            lst.write("(/t2,'       series      ident      results of scans for gaps or missing values')");
        }
        first_all = std::min(first_all, first);
        last_all = std::max(last_all, first + count - 1);

        const size_t n = static_cast<size_t>(count);
        const int nmiss = gapscan(values.first(n), idbuf, nc, depths.first(n), first, itrn, lst);
        if (nmiss > 0) ++ngap;

        // The matrix takes the values as read; the statistics work on the
        // reader's copy, whose standardisation round trip must not reach them.
        std::copy(values.begin(), values.begin() + count, sermat.rows(nc, 1, count));
        float ave, adev, sdev, var, skew, curt, sens, ac1;
        serstat(values.first(n), depths.first(n), count, ave, adev, sdev, var, skew, curt, sens, ac1);
        put_statistics_row(rawstat, nc, static_cast<float>(count - nmiss), ave, sdev, skew, curt, sens, ac1);
    }

    if (nc <= 0) {
        con().line(" *** nc .le. 0 after reading tree-ring data");
        stop_after_wait();
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
        con().write("(/t2,'*** total series length exceeds maximum allowable length: ',i6,' > ',i6,' max ***')",
                    span, ld);
        stop_after_wait();
    }
    // rows 1 to 8 become the summary, the rows below stay in series order
    const auto sum = summarise_columns(rawstat, 7, nc, SummaryInTable::summary);
    rawmax = rawstat(8, 2);
    write_summary_rows(lst, sum);
}

}  // namespace kov

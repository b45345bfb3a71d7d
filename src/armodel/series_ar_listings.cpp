#include "armodel/series_ar_listings.hpp"

#include <algorithm>
#include <array>
#include <span>
#include <vector>

#include "numerics/statistics.hpp"
#include "series/series_statistics.hpp"
#include "shared/files.hpp"

namespace kov {

namespace {

// The eight summary values of v(1..n) (v is used as work and left sorted); an
// undefined standard deviation (-99) becomes 0.
std::array<float, 8> ar_summary(std::span<float> v, int n) {
    std::array<float, 8> s{};
    float adev, var, skew, curt, sens, ac1;
    moment(v, n, s[0], adev, s[1], var, skew, curt, sens, ac1);
    if (s[1] < 0.0f) s[1] = 0.0f;
    fivnum(v, n, s[2], s[6], s[5], s[3], s[4], s[7]);
    return s;
}

const char* const coefficient_lines[8] = {
    "(t4,'arithmetic mean',t25,i3,2x,6f8.3)",    "(t4,'standard deviation',t25,i3,2x,6f8.3)",
    "(t4,'median',t25,i3,2x,6f8.3)",             "(t4,'interquartile range',t25,i3,2x,6f8.3)",
    "(t4,'minimum value',t25,i3,2x,6f8.3)",      "(t4,'lower hinge',t25,i3,2x,6f8.3)",
    "(t4,'upper hinge',t25,i3,2x,6f8.3)",        "(t4,'maximum value',t25,i3,2x,6f8.3)"};
const char* const order_lines[8] = {
    "(t4,'arithmetic mean',t25,i3,2x,f8.3)",    "(t4,'standard deviation',t25,i3,2x,f8.3)",
    "(t4,'median',t25,i3,2x,f8.3)",             "(t4,'interquartile range',t25,i3,2x,f8.3)",
    "(t4,'minimum value',t25,i3,2x,f8.3)",      "(t4,'lower hinge',t25,i3,2x,f8.3)",
    "(t4,'upper hinge',t25,i3,2x,f8.3)",        "(t4,'maximum value',t25,i3,2x,f8.3)"};

// Column k of stat := the summary of row element of coef over the series.
void summarise_into(const Table<float>& coef, int element, int nc, Table<float>& stat, int k,
                    std::vector<float>& work) {
    for (int i = 1; i <= nc; ++i) work[static_cast<size_t>(i - 1)] = coef(element, i);
    const auto s = ar_summary(work, nc);
    for (int j = 1; j <= 8; ++j) stat(j, k) = s[static_cast<size_t>(j - 1)];
}

}  // namespace

void list_ar_heading(int method) {
    auto& out = streams().luout;
    if (method == 1)
        out.write("(/t2,'|---------------- individual series autoregressive coefficients ---------------|')");
    else
        out.write("(/t2,'|------------ individual series robust autoregressive coefficients ------------|')");
}

void list_ar_coefficients(const Table<float>& coef, int nc, int method, int order_option, int maxord,
                          Table<float>& stat) {
    auto& s = shared();
    auto& out = streams().luout;
    if (s.optval(17, 1) > 1) {
        for (int i = 1; i <= nc; ++i) {
            if (i == 1 || i % 20 == 0)
                out.write("(/t6,'series    ident    order     rsq     t-1     t-2     t-3   .....    t-ip')");
            const int p = static_cast<int>(coef(12, i));
            const int q = std::min(p, 5);
            std::vector<float> first;
            for (int k = 1; k <= q; ++k) first.push_back(coef(k, i));
            out.write("(t6,i5,3x,a8,i6,2x,6f8.3)", i, s.serids[static_cast<size_t>(i)], p, coef(11, i), first);
            if (p > 5) {
                std::vector<float> rest;
                for (int k = 6; k <= std::min(p, 10); ++k) rest.push_back(coef(k, i));
                out.write("(37x,5f8.3)", rest);
            }
        }
    }
    if (method == 1)
        out.write("(/t2,'|------------- summary statistics for autoregressive coefficients -------------|'/)");
    else
        out.write("(/t2,'|---------- summary statistics for robust autoregressive coefficients ---------|'/)");

    std::vector<float> work(static_cast<size_t>(std::max(nc, 1)));
    if (order_option < 0) {
        summarise_into(coef, 11, nc, stat, 1, work);
        summarise_into(coef, 12, nc, stat, 2, work);
        out.write("(t25,'order     rsq')");
        for (int j = 1; j <= 8; ++j) {
            const float ord = stat(j, 2);
            const int shown = j == 1 ? static_cast<int>(ord + 0.5f) : static_cast<int>(ord);
            out.write(order_lines[j - 1], shown, stat(j, 1));
        }
        return;
    }
    const int m = std::clamp(maxord, 0, 10);
    for (int k = 1; k <= m; ++k) summarise_into(coef, k, nc, stat, k, work);
    summarise_into(coef, 11, nc, stat, m + 1, work);
    summarise_into(coef, 12, nc, stat, m + 2, work);
    out.write("(t25,'order     rsq     t-1     t-2     t-3   .....    t-ip')");
    for (int j = 1; j <= 8; ++j) {
        std::vector<float> cs;
        for (int k = 1; k <= std::min(m, 5); ++k) cs.push_back(stat(j, k));
        out.write(coefficient_lines[j - 1], static_cast<int>(stat(j, m + 2)), stat(j, m + 1), cs);
        if (m > 5) {
            std::vector<float> rest;
            for (int k = 6; k <= m; ++k) rest.push_back(stat(j, k));
            out.write("(t39,5f8.3)", rest);
        }
    }
}

void list_prewhitened(Table<float>& stat, int nc) {
    auto& s = shared();
    auto& out = streams().luout;
    if (s.optval(17, 1) > 1) {
        out.write("(/t2,'|------------------- statistics of prewhitened tree-ring data -----------------|')");
        for (int i = 1; i <= nc; ++i)
            write_series_line(out, stat, i, i, s.serids[static_cast<size_t>(i)], s.sertbl(i, ify), s.sertbl(i, ily));
    }
    out.write("(/t2,'|------------- summary of prewhitened tree-ring series statistics -------------|'/)");
    // over the series whose statistic is defined (the residuals of a constant
    // series are constant too)
    write_summary_rows(out, summarise_columns(stat, 7, nc, SummaryInTable::summary));
}

}  // namespace kov

#include "chronology/principal_components.hpp"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "numerics/crout.hpp"
#include "numerics/eigen.hpp"
#include "plotting/plot_services.hpp"
#include "shared/console.hpp"
#include "shared/files.hpp"
#include "shared/layout.hpp"
#include "shared/output_names.hpp"
#include "shared/parallel.hpp"

namespace kov {

namespace {

struct StageTexts {
    const char* tag;
    const char* console;
    const char* pc_loads;
    const char* pc_scores;
    const char* vf_loads;
    const char* vf_scores;
};

constexpr StageTexts stage_texts[4] = {
    {"raw", "(2x,'Raw Measurements common period principal components.')",
     " raw measurements common period principal components", "raw measurements common period pc scores",
     " raw measurements common period varimax factors", "raw measurements common period varimax scores"},
    {"trn", "(2x,'Transformed data common period principal components.')",
     " transformed data common period principal components", "transformed data common period pc scores",
     " transformed data common period varimax factors", "transformed data common period varimax scores"},
    {"det", "(2x,'Detrended indices common period principal components.')",
     " detrended indices common period principal components", "detrended indices common period pc scores",
     " detrended indices common period varimax factors", "detrended indices common period varimax scores"},
    {"res", "(2x,'Residual indices common period principal components.')",
     " residual indices common period principal components", "residual indices common period pc scores",
     " residual indices common period varimax factors", "residual indices common period varimax scores"},
};

const StageTexts& texts(int istage) { return stage_texts[std::clamp(istage, 1, 4) - 1]; }

// The first min(n, 10) values of v (1-based positions 1..n).
std::vector<float> first_ten(std::span<const float> v, int n) {
    return std::vector<float>(v.begin(), v.begin() + std::min(n, 10));
}

// One line of the first ten eigenvalues or their standard errors,
// "(t2,'<label>:',f6.3,9f7.3)": an eigenvalue has no bound but the number of
// series. The first follows the label's colon and may fill its six columns
// (12.859); one of a hundred would overflow them, and one of ten or more in a
// later field would run into the value before it: they take fewer decimals
// instead.
void write_eigen_line(OutFile& out, const std::string& label, const std::vector<float>& v) {
    std::string layout = "(t2,'" + label + ":'";
    if (!v.empty()) {
        layout += "," + fitted_real_after_label(v[0], 6, 3);
        const std::span<const float> rest(v.begin() + 1, v.end());
        if (!rest.empty()) layout += "," + fitted_reals(rest, 7, 3);
    }
    out.write(layout + ")", v);
}

// Creates an output file on luscr; false (named) when it cannot be
// created, and the file is then left out.
bool open_output(const std::string& name) { return create_output(streams().luscr, name); }

// A header line of component numbers 1..n: "#" then the first in i3 (or i4)
// and each further one after five blanks.
void write_numbers(OutFile& f, std::string_view layout, int n) {
    std::vector<int> k(n);
    for (int i = 0; i < n; ++i) k[i] = i + 1;
    f.write(layout, k);
}

// The plot pages of four components: for page p the components 4(p-1)+1 on,
// their percentages, and the page's columns taken from `value(row, comp)`.
template <class Value, class Pct, class Draw>
void plot_pages(int nf, int rows, Value value, Pct pct, Draw draw) {
    const int npage = nf > 0 ? (nf + 3) / 4 : 0;
    std::vector<float> page(static_cast<size_t>(std::max(rows, 1)) * 4);
    for (int p = 1; p <= npage; ++p) {
        const int ncpage = p < npage ? 4 : nf - 4 * (npage - 1);
        std::array<float, 4> pgpct{};
        std::array<int, 4> pgcomp{};
        std::fill(page.begin(), page.end(), 0.0f);
        for (int c = 1; c <= ncpage; ++c) {
            pgcomp[c - 1] = 4 * (p - 1) + c;
            pgpct[c - 1] = pct(pgcomp[c - 1]);
            for (int k = 1; k <= rows; ++k) page[static_cast<size_t>(c - 1) * rows + (k - 1)] = value(k, pgcomp[c - 1]);
        }
        draw(std::span<const float>(page), ncpage, pgpct, pgcomp);
    }
}

}  // namespace

bool components_from_years(const std::vector<float>& zstd, int ldz, int nyrs, int nser, std::span<float> eig,
                           std::vector<float>& vectors) {
    const int y = nyrs, n = nser;
    if (y < 2 || n < 1) return false;
    auto z = [&](int t, int a) { return static_cast<double>(zstd[static_cast<size_t>(a) * ldz + t]); };
    // The years' cross-products of the standardised series, scaled as the
    // series' correlations are: Z Z' / (y - 1) beside C = Z'Z / (y - 1).
    std::vector<double> g(static_cast<size_t>(y) * y, 0.0);
    parallel_for(y, [&](int t) {
        for (int u = 0; u <= t; ++u) {
            double sum = 0.0;
            for (int a = 0; a < n; ++a) sum += z(t, a) * z(u, a);
            g[static_cast<size_t>(u) * y + t] = g[static_cast<size_t>(t) * y + u] = sum / (y - 1);
        }
    });
    std::vector<double> mu(y), work(y);
    if (!eigen_symmetric(y, mu, work, g)) return false;

    // A component of the years, u, gives the component of the series
    // Z'u / sqrt((y - 1) mu) with the same eigenvalue mu.
    struct Component {
        double value;
        std::vector<double> w;
    };
    std::vector<Component> found;
    const double floor = std::max(mu[0], 0.0) * 1e-9;
    for (int k = 0; k < y; ++k) {
        if (!(mu[k] > floor && mu[k] > 0.0)) continue;
        std::vector<double> w(n, 0.0);
        const double scale = 1.0 / std::sqrt((y - 1) * mu[k]);
        for (int a = 0; a < n; ++a) {
            double sum = 0.0;
            for (int t = 0; t < y; ++t) sum += z(t, a) * g[static_cast<size_t>(k) * y + t];
            w[a] = sum * scale;
        }
        found.push_back({mu[k], std::move(w)});
    }
    // A series constant over the period (its standardised values all 0)
    // correlates with none: in the correlation matrix its row and column hold
    // 1 on the diagonal and 0 elsewhere, which gives the eigenvalue 1 with the
    // series' unit vector. The years cannot show it; it is added here.
    for (int a = 0; a < n; ++a) {
        bool constant = true;
        for (int t = 0; t < y && constant; ++t) constant = z(t, a) == 0.0;
        if (!constant) continue;
        std::vector<double> w(n, 0.0);
        w[a] = 1.0;
        found.push_back({1.0, std::move(w)});
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const Component& p, const Component& q) { return p.value > q.value; });

    // The first y components are kept; past the last with variance, each
    // direction without variance is any unit vector orthogonal to those before
    // it: the first unit vector of the series that is far enough from them.
    vectors.assign(static_cast<size_t>(n) * y, 0.0f);
    std::vector<std::vector<double>> kept;
    int next_unit = 0;
    for (int k = 0; k < y; ++k) {
        std::vector<double> w(n, 0.0);
        if (k < static_cast<int>(found.size())) {
            w = found[static_cast<size_t>(k)].w;
            eig[k] = static_cast<float>(found[static_cast<size_t>(k)].value);
        } else {
            // the unit vector least spanned by the vectors so far, or the
            // first that is far enough from them
            double best = -1.0;
            std::vector<double> c(n);
            for (; next_unit < n && best < 0.5; ++next_unit) {
                std::fill(c.begin(), c.end(), 0.0);
                c[next_unit] = 1.0;
                for (const auto& p : kept) {
                    const double dot = p[next_unit];
                    for (int a = 0; a < n; ++a) c[a] -= dot * p[a];
                }
                double norm = 0.0;
                for (double x : c) norm += x * x;
                norm = std::sqrt(norm);
                if (norm > best) {
                    best = norm;
                    for (int a = 0; a < n; ++a) w[a] = c[a] / norm;
                }
            }
            eig[k] = 0.0f;
        }
        for (int a = 0; a < n; ++a) vectors[static_cast<size_t>(k) * n + a] = static_cast<float>(w[a]);
        kept.push_back(std::move(w));
    }
    // the eigenvalues past the y-th: those of the constant series not kept,
    // then none
    for (int k = y; k < n; ++k)
        eig[k] = k < static_cast<int>(found.size()) ? static_cast<float>(found[static_cast<size_t>(k)].value) : 0.0f;
    return true;
}

std::string_view stage_tag(int istage) { return texts(istage).tag; }

void pcavmx(std::vector<float>& zstd, int ldz, std::span<float> eig, std::span<float> wrk,
            std::string_view datfil, const std::vector<std::string>& idu, int& nser,
            const std::array<int, 2>& iperd, std::vector<float>& corr, int ldc, int& iplot, int istage,
            int maxev, OutFile& out) {
    const StageTexts& st = texts(istage);
    const int nyrs = iperd[1] - iperd[0] + 1;
    auto z = [&](int i, int k) -> float& { return zstd[static_cast<size_t>(k - 1) * ldz + (i - 1)]; };
    auto c = [&](int i, int j) -> float& { return corr[static_cast<size_t>(j - 1) * ldc + (i - 1)]; };
    const std::vector<float> zcopy(zstd);
    auto zc = [&](int i, int k) { return zcopy[static_cast<size_t>(k - 1) * ldz + (i - 1)]; };

    // The whole prefix is kept: cutting a long name to a fixed buffer would cut
    // off the suffixes and send the loadings and scores to one file.
    const std::string prefix = output_prefix(datfil);
    const size_t stage = static_cast<size_t>(std::clamp(istage, 1, 4) - 1);
    auto file = [&](const std::array<std::string_view, 4>& names) { return prefix + std::string(names[stage]); };

    int neig = std::min(nser, maxev);
    float ecount = static_cast<float>(neig);

    if (corr.empty()) {
        // No correlation matrix: more series than years, taken from the years.
        if (!components_from_years(zstd, ldz, nyrs, nser, eig, corr)) nser = 0;
    } else {
        htdql(nser, ldc, eig, wrk, corr);
    }
    if (nser == 0) {
        // The components of a failed decomposition are not usable: nothing is
        // listed, written or rotated; the caller goes on with a count of 0.
        out.write("(/t10,'*** eigenvector computation failed: no principal ','components analysis ***')");
        return;
    }
    std::vector<int> sgn(std::max(neig, 1));
    sgnfix(corr, nser, std::min(neig, static_cast<int>(corr.size() / ldc)), ldc, sgn);

    if (nyrs < neig) {
        const int m = nyrs;
        float sum = 0;
        for (int k = 1; k <= m; ++k) sum += eig[k - 1];
        const float mean = sum / static_cast<float>(m);
        for (int k = 1; k <= m; ++k)
            eig[k - 1] = (eig[k - 1] / mean) * static_cast<float>(m) / static_cast<float>(neig);
        neig = m;
        ecount = static_cast<float>(m);
    }

    float total = 0;
    int nkais = 0;
    for (int k = 1; k <= neig; ++k) {
        total += eig[k - 1];
        if (eig[k - 1] > 1.0f) ++nkais;
    }
    for (int k = 1; k <= neig; ++k) wrk[k - 1] = total > 0 ? eig[k - 1] / total : 0.0f;

    std::vector<float> bstick(neig), sderr(neig);
    std::string bsflag(neig, ' ');
    for (int k = 1; k <= neig; ++k) {
        float b = 0;
        for (int i = k; i <= neig; ++i) b += 1.0f / static_cast<float>(i);
        bstick[k - 1] = b;
    }
    const float factor = std::sqrt(2.0f / static_cast<float>(nyrs));
    for (int k = 1; k <= neig; ++k) sderr[k - 1] = eig[k - 1] * factor;
    int nbs = 0;
    for (int k = 1; k <= neig; ++k) {
        if (!(eig[k - 1] - sderr[k - 1] > bstick[k - 1])) break;
        bsflag[k - 1] = '*';
        ++nbs;
    }
    if (nbs == 0) nbs = 1;

    int nf = nbs;
    if (iplot == 2 || iplot == 3) {
        bool draw = true;
        for (bool chosen = false; !chosen;) {
            if (draw) {
                plteig(neig, bstick, eig, ldc, maxev, istage, sderr);
                con().write("(/1x,'Calculation of Significant Eigenvectors by two methods for:')");
                con().write(st.console);
                draw = false;
            }
            con().write("(/1x,'You must provide an Eigenvalue cutoff for Varimax rotation')");
            con().write("(1x,'*** The Broken-Stick Method is the recommended default ***')");
            con().write("(/1x,'<B>roken-Stick Method - Number of Eigenvalues > B-S ',i5)", nbs);
            con().write("(1x,'[K]aiser-Guttman Rule - Number of Eigenvalues > 1 = ',i5)", nkais);
            con().write("(1x,'[E]nter your eigenvalue cutoff if you think you are smart')");
            con().write("(1x,'[R]eplot the Eigenvalue and Broken-Stick traces to decide')");
            con().write("(/1x,'Enter your selection :> ',$)");
            const std::string answer = con().answer();
            const char ch = answer.empty() ? ' ' : answer[0];
            if (ch == 'B' || ch == 'b' || ch == ' ') {
                nf = nbs;
                chosen = true;
            } else if (ch == 'K' || ch == 'k') {
                nf = nkais;
                chosen = true;
            } else if (ch == 'E' || ch == 'e') {
                con().write("(/1x,'Roll your own eigenvalue cutoff :> ',$)");
                const auto fields = free_fields(con().answer());
                if (fields.empty()) continue;
                try {
                    // More components than there are cannot be kept, nor fewer than none.
                    nf = static_cast<int>(std::clamp<long long>(free_int(fields[0]), 0, neig));
                    chosen = true;
                } catch (const ReadError&) {
                }
            } else if (ch == 'R' || ch == 'r') {
                draw = true;
            }
        }
    }

    // Eigenvalue table and eigenvector loadings.
    const int shown = std::min(neig, 10);
    out.write("(/t2,'|----------- all series common period principal components analysis -----------|'"
              "/t2,'|--------- refer to saved output files for complete tabulated results ---------|'"
              "//t14,'ev #1  ev #2  ev #3  ev #4  ev #5  ev #6  ev #7  ','ev #8  ev #9  ev#10')");
    write_eigen_line(out, "eigenvalue", first_ten(eig, neig));
    write_eigen_line(out, "eval sderr", first_ten(sderr, neig));
    out.write("(t2,'% variance:',f6.3,9f7.3)", first_ten(wrk, neig));
    for (int k = 2; k <= neig; ++k) wrk[k - 1] += wrk[k - 2];
    out.write("(t2,'cumulative:',f6.3,9f7.3)", first_ten(wrk, neig));
    {
        std::vector<FVal> v;
        for (int k = 1; k <= shown; ++k) {
            v.emplace_back(static_cast<double>(bstick[k - 1]));
            v.emplace_back(std::string(1, bsflag[k - 1]));
        }
        out.put(format_values("(t2,'brokn stck:',10(f6.3,a))", v));
    }
    out.write("(t2,'broken stick order selected for eigenvalue + 1se above broken ','stick value: ',i3)", nf);
    out.write("(/t14,'|---------------------- eigenvector loadings ','----------------------|')");
    out.write("(t2,'series id   eg_#1  eg_#2  eg_#3  eg_#4  eg_#5  ','eg_#6  eg_#7  eg_#8  eg_#9  eg#10')");
    for (int k = 1; k <= nser; ++k) {
        std::vector<float> row(shown);
        for (int j = 1; j <= shown; ++j) row[j - 1] = c(k, j);
        out.write("(t3,a8,1x,10f7.3)", idu[k], row);
    }

    auto& scr = streams().luscr;
    if (open_output(file(suffix::pc_loadings))) {
        std::vector<float> v(neig);
        scr.write("(t2,'eigenvalue',f7.3,999(f8.3))", std::span<const float>(eig.data(), neig));
        scr.write("(t2,'eval sderr',f7.3,999(f8.3))", sderr);
        for (int k = 1; k <= neig; ++k) v[k - 1] = total > 0 ? eig[k - 1] / total : 0.0f;
        scr.write("(t2,'% variance',f7.3,999(f8.3))", v);
        for (int k = 2; k <= neig; ++k) v[k - 1] += v[k - 2];
        scr.write("(t2,'cumulative',f7.3,999(f8.3))", v);
        scr.write("(t2,'brokn stck',f7.3,999(f8.3))", bstick);
        write_numbers(scr, "(' series_id   #',i3,999(5x,i3))", neig);
        for (int k = 1; k <= nser; ++k) {
            for (int j = 1; j <= neig; ++j) v[j - 1] = c(k, j);
            scr.write("(2x,a8,8001f8.3)", idu[k], v);
        }
        scr.close();
    }

    const auto draw_loadings = [&](const char* subttl, int kind) {
        return [&, subttl, kind](std::span<const float> page, int ncpage, const std::array<float, 4>& pgpct,
                                 const std::array<int, 4>& pgcomp) {
            pltldg(page, nser, ncpage, datfil, subttl, iplot, nser, istage, pgpct, kind, pgcomp, nf);
        };
    };
    const auto draw_scores = [&](const char* subttl, int kind) {
        return [&, subttl, kind](std::span<const float> page, int ncpage, const std::array<float, 4>& pgpct,
                                 const std::array<int, 4>& pgcomp) {
            pltscr(page, iperd, ncpage, datfil, subttl, iplot, nyrs, 4, pgpct, istage, kind, pgcomp, nf);
        };
    };
    const auto pc_pct = [&](int comp) { return eig[comp - 1] / ecount * 100.0f; };

    if (iplot == 2 || iplot == 3)
        plot_pages(nf, nser, [&](int k, int comp) { return c(k, comp); }, pc_pct,
                   draw_loadings(st.pc_loads, 1));

    // Scores of the standardised data on the unit eigenvectors.
    for (int i = 1; i <= nyrs; ++i) {
        for (int j = 1; j <= neig; ++j) {
            float sum = 0;
            for (int k = 1; k <= nser; ++k) sum += z(i, k) * c(k, j);
            wrk[j - 1] = sum;
        }
        for (int j = 1; j <= neig; ++j) z(i, j) = wrk[j - 1];
    }
    if (open_output(file(suffix::pc_scores))) {
        write_numbers(scr, "('  year  #',i4,999(5x,i3))", neig);
        std::vector<float> v(neig);
        for (int i = 1; i <= nyrs; ++i) {
            for (int j = 1; j <= neig; ++j) v[j - 1] = z(i, j);
            scr.write("(i6,8001f8.3)", iperd[0] + i - 1, v);
        }
        scr.close();
    }
    // A component without variance (rounding can leave the smallest
    // eigenvalues at or below 0) has no normalised scores: they are 0.
    for (int j = 1; j <= neig; ++j) {
        const float root = eig[j - 1] > 0 ? std::sqrt(eig[j - 1]) : 0.0f;
        for (int i = 1; i <= nyrs; ++i) z(i, j) = root > 0 ? z(i, j) / root : 0.0f;
    }
    if (iplot == 2 || iplot == 3)
        plot_pages(nf, nyrs, [&](int i, int comp) { return z(i, comp); }, pc_pct, draw_scores(st.pc_scores, 1));

    // Varimax rotation of the nf components kept.
    if (nf < 1) {
        out.write("(/t16,'zero eigenvalues selected, no varimax ','rotation performed')");
        return;
    }
    out.write("(/t2,'|--------- all series common period varimax factor rotation - ev>1.0) ---------|'"
              "/t2,'|--------- refer to saved output files for complete tabulated results ---------|')");
    for (int j = 1; j <= nf; ++j) {
        const float root = eig[j - 1] > 0 ? std::sqrt(eig[j - 1]) : 0.0f;
        for (int i = 1; i <= nser; ++i) c(i, j) = root * c(i, j);
    }
    std::vector<float> vfload(static_cast<size_t>(ldc) * nf), fscoef(static_cast<size_t>(ldc) * nf),
        rtr(static_cast<size_t>(ldc) * nf);
    auto vf = [&](int i, int j) -> float& { return vfload[static_cast<size_t>(j - 1) * ldc + (i - 1)]; };
    auto fs = [&](int i, int j) -> float& { return fscoef[static_cast<size_t>(j - 1) * ldc + (i - 1)]; };
    auto rt = [&](int i, int j) -> float& { return rtr[static_cast<size_t>(j - 1) * ldc + (i - 1)]; };
    varimax(corr, nser, nf, vfload, fscoef, eig, wrk, ldc);
    sgnfix(vfload, nser, nf, ldc, sgn);

    out.write("(/t14,'vf #1  vf #2  vf #3  vf #4  vf #5  vf #6  vf #7  ','vf #8  vf #9  vf#10')");
    out.write("(t2,'% variance:',f6.3,9f7.3)", std::span<const float>(eig.data(), nf));
    wrk[0] = eig[0];
    for (int j = 2; j <= nf; ++j) wrk[j - 1] = wrk[j - 2] + eig[j - 1];
    out.write("(t2,'cumulative:',f6.3,9f7.3)", std::span<const float>(wrk.data(), nf));
    out.write("(/t14,'|--------------------- varimax factor loadings ','--------------------|')");
    for (int i = 1; i <= nser; ++i) {
        if (i == 1 || i % 20 == 0)
            out.write("(t2,'series id   vl_#1  vl_#2  vl_#3  vl_#4  vl_#5  ','vl_#6  vl_#7  vl_#8  vl_#9  vl#10')");
        std::vector<float> row(nf);
        for (int j = 1; j <= nf; ++j) row[j - 1] = vf(i, j);
        // Twenty loadings to a line; more go on under the first value.
        out.write("(t3,a8,1x,20f7.3)", idu[i], std::span<const float>(row.data(), std::min(nf, 20)));
        for (int j0 = 20; j0 < nf; j0 += 20)
            out.write("(t12,20f7.3)", std::span<const float>(row.data() + j0, std::min(nf - j0, 20)));
    }
    if (open_output(file(suffix::vf_loadings))) {
        scr.write("(t2,'% variance',f7.3,999(f8.3))", std::span<const float>(eig.data(), nf));
        scr.write("(t2,'cumulative',f7.3,999(f8.3))", std::span<const float>(wrk.data(), nf));
        write_numbers(scr, "(' series_id   #',i3,999(5x,i3))", nf);
        std::vector<float> row(nf);
        for (int i = 1; i <= nser; ++i) {
            for (int j = 1; j <= nf; ++j) row[j - 1] = vf(i, j);
            scr.write("(2x,a8,8001f8.3)", idu[i], row);
        }
        scr.close();
    }
    const auto vf_pct = [&](int comp) { return eig[comp - 1] * 100.0f; };
    if (iplot == 2 || iplot == 3)
        plot_pages(nf, nser, [&](int k, int comp) { return vf(k, comp); }, vf_pct, draw_loadings(st.vf_loads, 2));

    for (int i = 1; i <= nf; ++i)
        for (int j = 1; j <= nf; ++j) {
            float sum = 0;
            for (int k = 1; k <= nser; ++k) sum += vf(k, i) * vf(k, j);
            rt(i, j) = sum;
        }
    float det = 0;
    int ierr = 0;
    crout(rtr, nf, det, ldc, ierr);
    if (ierr != 0) return;
    for (int i = 1; i <= nser; ++i)
        for (int j = 1; j <= nf; ++j) {
            float sum = 0;
            for (int l = 1; l <= nf; ++l) sum += vf(i, l) * rt(l, j);
            fs(i, j) = sum;
        }
    for (int i = 1; i <= nyrs; ++i) {
        for (int j = 1; j <= nf; ++j) {
            float sum = 0;
            for (int k = 1; k <= nser; ++k) sum += zc(i, k) * fs(k, j);
            z(i, j) = sum;
        }
        // the columns past nf that the score table holds
        for (int j = nf + 1; j <= std::min(nyrs, static_cast<int>(zstd.size() / ldz)); ++j) z(i, j) = 0.0f;
    }
    if (open_output(file(suffix::vf_scores))) {
        write_numbers(scr, "('  year  #',i4,999(5x,i3))", nf);
        std::vector<float> v(nf);
        for (int i = 1; i <= nyrs; ++i) {
            for (int j = 1; j <= nf; ++j) v[j - 1] = z(i, j);
            scr.write("(i6,8001f8.3)", iperd[0] + i - 1, v);
        }
        scr.close();
    }
    if (iplot == 2 || iplot == 3)
        plot_pages(nf, nyrs, [&](int i, int comp) { return z(i, comp); }, vf_pct, draw_scores(st.vf_scores, 2));
}

}  // namespace kov

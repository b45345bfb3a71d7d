// The two-panel series plot: a top and a bottom panel over one x axis (and a
// third panel with the sample depth for the chronology pair).
#include <algorithm>
#include <cmath>
#include <vector>

#include "plotting/axis_ticks.hpp"
#include "plotting/plot_cycle.hpp"
#include "plotting/plot_device.hpp"
#include "plotting/plot_menus.hpp"
#include "plotting/plot_services.hpp"
#include "shared/capacities.hpp"
#include "shared/console.hpp"
#include "shared/layout.hpp"
#include "shared/tables.hpp"

namespace kov {
namespace {

struct TwoPanel {
    PlotSet ps;
    int n = 0, kind = 0, ivar = 0, iopt = 0;
    std::vector<float> x, hline;
    std::array<std::vector<float>, 6> d;  // d[0] is d1
    std::vector<float> depth;
    std::array<float, 7> coef{}, c{};
    float z2min = 0, z2max = 0, z2tick = 0;
    int nz2sub = 0;
    int count = 0;
    bool bottom_reference = true;  // kind 8: no line at 1.0 when every d5 is 1.0
    std::string title1, title2, ylab, xlab2, zlab;
};

float max_of(const std::vector<float>& v, int n) {
    float m = -9999.0f;
    for (int i = 0; i < n; ++i) m = std::max(m, v[i]);
    return m;
}
float min_of(const std::vector<float>& v, int n) {
    float m = 9999.0f;
    for (int i = 0; i < n; ++i) m = std::min(m, v[i]);
    return m;
}
int nonzero(const std::vector<float>& v, int n) {
    int k = 0;
    for (int i = 0; i < n; ++i) k += v[i] != 0.0f;
    return k;
}
float mean_of(const std::vector<float>& v, int n) {
    if (n < 1) return 0.0f;
    float s = 0.0f;
    for (int i = 0; i < n; ++i) s += v[i];
    return s / static_cast<float>(n);
}

// Copy, display coefficients and limits (entry and answer 99).
void prepare(TwoPanel& t, const TwoPanelData& data, int first_year, const std::array<float, 7>& fitcoef) {
    const int n = t.n;
    for (int j = 0; j < 6; ++j) {
        auto& v = t.d[j];
        v.assign(std::max(n, 1), j == 5 ? -999.0f : 0.0f);
        if (data.col[j]) std::copy(data.col[j], data.col[j] + n, v.begin());
    }
    t.depth.assign(std::max(n, 1), 0.0f);
    if (data.depth)
        for (int i = 0; i < n; ++i) t.depth[i] = static_cast<float>(data.depth[i]);
    t.x.assign(std::max(n, 1), static_cast<float>(first_year));
    for (int i = 0; i < n; ++i) t.x[i] = t.kind == 5 ? t.d[1][i] : static_cast<float>(first_year + i);
    t.hline.assign(std::max(n, 1), 1.0f);

    // The curve record as the text shows it: a linear fit with its slope under a,
    // a negative exponential with a positive second element with it under c.
    t.coef = fitcoef;
    t.c = fitcoef;
    const float k = fitcoef[6];
    if (k > 0 && k <= 3 && fitcoef[1] > 0) {
        t.c[2] = fitcoef[1];
        t.c[1] = 1.0f;
    } else if ((k > 0 && k <= 3 && fitcoef[1] <= 0 && (fitcoef[0] == 0 || fitcoef[1] == 0)) || k == 4 ||
               k == 5) {
        t.c[0] = fitcoef[2];
        t.c[1] = 1.0f;
        t.c[2] = 0.0f;
        if (t.iopt > -3) t.c[6] = 4.0f;
    }
    if (k > 0 && k < 7) t.c[5] = 0.0f;

    PlotSet& ps = t.ps;
    auto& d = t.d;
    ps.xmin = t.x[0];
    ps.xmax = t.x[std::max(n, 1) - 1];
    t.count = 0;
    t.bottom_reference = true;
    switch (t.kind) {
        case 1:
            ps.ymin = 0, ps.ymax = max_of(d[0], n);
            ps.zmin = 0, ps.zmax = std::max(max_of(d[3], n), max_of(d[4], n));
            if (ps.zmax == 1.0f) ps.zmax = ps.ymax;
            break;
        case 2:
        case 4:
            ps.ymin = 0, ps.ymax = max_of(d[0], n);
            ps.zmin = 0, ps.zmax = max_of(d[3], n);
            t.count = nonzero(d[3], n);
            break;
        case 3:
            ps.ymin = 0, ps.ymax = max_of(d[0], n);
            ps.zmin = 0, ps.zmax = max_of(d[3], n);
            break;
        case 5:
            ps.ymin = 0, ps.ymax = 0.9f;
            ps.zmin = 0, ps.zmax = 0.9f;
            for (int i = 0; i < n; ++i) {
                const float e = 2.0f * d[4][i];
                d[4][i] = d[0][i] - e;
                d[1][i] = d[0][i] + e;
            }
            break;
        case 6:
            ps.ymin = min_of(d[0], n), ps.ymax = max_of(d[0], n);
            ps.zmin = min_of(d[3], n), ps.zmax = max_of(d[3], n);
            break;
        case 7:
            ps.ymin = min_of(d[0], n), ps.ymax = max_of(d[1], n);
            ps.zmin = min_of(d[3], n), ps.zmax = max_of(d[4], n);
            t.count = nonzero(d[4], n);
            break;
        case 8: {
            ps.ymin = min_of(d[0], n), ps.ymax = max_of(d[0], n);
            bool all_one = true;
            for (int i = 0; i < n; ++i) all_one = all_one && d[4][i] == 1.0f;
            if (all_one) {
                ps.zmin = 0, ps.zmax = 2.0f;
                t.bottom_reference = false;
            } else {
                ps.zmin = min_of(d[4], n), ps.zmax = max_of(d[4], n);
            }
            break;
        }
        case 9:
            ps.ymin = 0, ps.ymax = max_of(d[2], n);
            ps.zmin = 0, ps.zmax = ps.ymax;
            break;
        default:
            break;
    }
    if (t.kind == 3) {
        t.z2max = max_of(t.depth, n);
        t.z2min = min_of(t.depth, n);
        float& m = t.z2max;
        if (m < 100.0f) {
            const float r = m - 10.0f * std::trunc(m / 10.0f);
            m += r > 5.0f ? 10.0f - r : 5.0f - r;
        } else if (m < 1000.0f) {
            const float r = m - 100.0f * std::trunc(m / 100.0f);
            m += r > 50.0f ? 100.0f - r : 50.0f - r;
        }
        const float s = std::trunc(t.z2max - t.z2min);
        if (s <= 10) {
            t.nz2sub = 1, t.z2tick = 5;
        } else if (s <= 50) {
            t.nz2sub = 4, t.z2tick = 10;
        } else if (s <= 100) {
            t.nz2sub = 1, t.z2tick = 25;
        } else if (s <= 500) {
            t.nz2sub = 5, t.z2tick = 100;
        } else if (s <= 2000) {
            t.nz2sub = 4, t.z2tick = 500;
        } else {
            t.nz2sub = 2, t.z2tick = 1000;
        }
    }
    ps.xmin = 10.0f * std::trunc(ps.xmin / 10.0f);
    ps.xmax += 10.0f - (ps.xmax - 10.0f * std::trunc(ps.xmax / 10.0f));
    axtick(ps.xmin, ps.xmax, ps.ymin, ps.ymax, ps.zmin, ps.zmax, ps.nxsub, ps.nysub, ps.nzsub, ps.xtick, ps.ytick,
           ps.ztick);
}

std::span<const float> head(const std::vector<float>& v, int n) { return {v.data(), static_cast<size_t>(n)}; }

void reference(const TwoPanel& t, float level, int colour) {
    plot::col0(colour);
    std::vector<float> h(t.n, level);
    plot::line(head(t.x, t.n), h);
}

void draw_line(const TwoPanel& t, int j, int colour) {
    plot::col0(colour);
    plot::line(head(t.x, t.n), head(t.d[j], t.n));
}

std::string curve_name(TwoPanel& t) {
    switch (t.iopt) {
        case -2: return "rcs growth curve";
        case -6: return "age dependent spline";
        case -5: return "friedman super smoother";
        case -4: return "lowess robust smoother";
        case -3: return "median filter sharpener";
        case 1:
        case 2:
        case 3:
            if (t.c[1] == 0.0f) {
                t.iopt = 4;
                return "linear regression curve";
            }
            return "negative exponential curve";
        case 4:
        case 5: return "linear regression curve";
        case 6: return "horizontal mean curve";
        case 7: return "hugershoff curve";
        case 8: return "general exponential curve";
        default: return t.iopt >= 10 ? "cubic smoothing spline" : "";
    }
}

// The name, equation and coefficients of the growth curve inside the top panel.
void curve_texts(TwoPanel& t) {
    const PlotSet& ps = t.ps;
    if (t.d[5][0] != -999.0f) {
        plot::col0(9);
        plot::mtex("t", -0.01, 0.05, 0.0, "first linearized fit");
        plot::col0(1);
        plot::mtex("t", -1.35, 0.05, 0.0, "final non-linear fit");
    }
    plot::col0(ps.itxtc);
    plot::mtex("t", 0.0, 0.7, 0.0, curve_name(t));
    if (t.iopt >= 1 && t.iopt <= 9) {
        // Options 1 to 3 are now the negative exponential (curve_name has
        // made a straight line option 4). It has its own curve and the values
        // the listing gives it, with p 0: the record of a kept fit holds the
        // search passes in its sixth element and the sum of the values in its
        // seventh, neither of them a coefficient or an offset.
        const bool negative_exponential = t.iopt <= 3;
        const std::array<float, 7>& v = negative_exponential ? t.coef : t.c;
        plot::mtex("t", -1.8, 0.6, 0.0,
                   negative_exponential ? "f(i)=a*exp(-b*t(i))+k" : "f(i)=a*t(i+p)**b*exp(-c*t(i+p))+k");
        plot::mtex("t", -3.5, 0.63, 0.0, "   a     b     c     k    p   ");
        std::string text = fmt("(3f6.3,f6.2)", v[0], v[1], v[2], v[4]);
        text.pop_back();  // the end of line of the write
        const float p = negative_exponential ? 0.0f : std::trunc(t.c[5]);
        text += p < 10.0f ? fmt("(i3)", static_cast<long long>(p)) : fmt("(i4)", static_cast<long long>(std::clamp(p, -1e9f, 1e9f)));
        if (!text.empty() && text.back() == '\n') text.pop_back();
        plot::mtex("t", -5.2, 0.6, 0.0, text);
    } else if (t.iopt != 0) {
        std::string field(25, ' ');
        auto put = [&field](const std::string& s, size_t at) {
            for (size_t i = 0; i < s.size() && at + i < field.size(); ++i)
                if (s[i] != '\n') field[at + i] = s[i];
        };
        if (t.iopt == -6) {
            // The first pass keeps its stiffness in (4,2); the second pass and
            // the regional curve (which runs outside the passes) in (5,2).
            const SharedTables& sh = shared();
            const int stiff = sh.ipass == 1 ? sh.optval(4, 2) : sh.optval(5, 2);
            put(fmt("(a16,1x,i4)", "initial spline: ", stiff), 0);
        } else if (t.iopt < -9 || t.iopt > 9) {
            put("     yr. low-pass filter", 0);
        } else if (t.iopt == -3) {
            put("     yr. median filter", 0);
        } else if (t.iopt == -4) {
            put("     yr. lowess smooth", 0);
        } else if (t.iopt == -5) {
            put("       alpha = ", 0);
        }
        if (t.iopt != -2 && t.iopt != -6) {
            if (t.iopt == -5)
                put(fmt("(i1)", static_cast<long long>(std::clamp(std::trunc(t.c[4]), -1e9f, 1e9f))), 15);
            else
                put(fmt("(i4)", static_cast<long long>(std::fabs(std::clamp(std::trunc(t.c[6]), -1e9f, 1e9f)))), 0);
        }
        plot::mtex("t", -1.8, 0.7, 0.0, field);
    }
}

void draw(TwoPanel& t) {
    const PlotSet& ps = t.ps;
    const int L = ps.icol[0], C = ps.icol[1], T = ps.icol[2], S = ps.isymc, F = ps.ifrmc;
    auto wide = [&ps] { plot::width(ps.lsty[1]); };
    auto narrow = [&ps] { plot::width(ps.lsty[0]); };
    const int n = t.n;
    begin_pass(t.kind == 3 ? 3 : 2);

    if (t.kind == 3) {
        panel_frame(ps, 0.1, 0.9, 0.1, 0.85, ps.xmin, ps.xmax, ps.ymin, ps.ymax, ps.xtick, ps.nxsub, ps.ytick,
                    ps.nysub);
        plot::lab("    ", t.ylab, t.title1);
        plot::lsty(ps.lsty[0]);
        draw_line(t, 0, L);
        wide();
        draw_line(t, 1, C);
        narrow();
        reference(t, t.ivar == 1 ? mean_of(t.d[0], n) : 1.0f, L);

        plot::lsty(ps.lsty[0]);
        panel_frame(ps, 0.1, 0.9, 0.1, 0.85, ps.xmin, ps.xmax, ps.zmin, ps.zmax, ps.xtick, ps.nxsub, ps.ztick,
                    ps.nzsub);
        plot::lab("    ", t.zlab, t.title2);
        draw_line(t, 3, L);
        wide();
        draw_line(t, 4, C);
        narrow();
        reference(t, 1.0f, L);

        plot::lsty(ps.lsty[0]);
        panel_frame(ps, 0.1, 0.9, 0.2, 0.9, ps.xmin, ps.xmax, t.z2min, t.z2max, ps.xtick, ps.nxsub, t.z2tick,
                    t.nz2sub);
        plot::lab(t.xlab2, "samples (z2)", "    ");
        plot::col0(L);
        plot::line(head(t.x, n), head(t.depth, n));
        plot::end();
        return;
    }

    // top panel
    panel_frame(ps, 0.1, 0.9, 0.15, 0.9, ps.xmin, ps.xmax, ps.ymin, ps.ymax, ps.xtick, ps.nxsub, ps.ytick,
                ps.nysub);
    plot::lab("    ", t.ylab, t.title1);
    plot::lsty(ps.lsty[0]);
    switch (t.kind) {
        case 1:
            draw_line(t, 0, L);
            wide();
            if (t.d[5][0] != -999.0f) draw_line(t, 5, 9);
            draw_line(t, 1, C);
            narrow();
            curve_texts(t);
            break;
        case 2:
        case 4:
        case 6:
        case 7:
            draw_line(t, 0, L);
            wide();
            draw_line(t, 1, C);
            narrow();
            if (t.kind == 7) reference(t, 0.0f, F);
            break;
        case 5:
            draw_line(t, 0, L);
            plot::col0(S);
            plot::erry(head(t.x, n), head(t.d[4], n), head(t.d[1], n));
            plot::poin(head(t.x, n), head(t.d[0], n), ps.isym);
            break;
        case 8:
            draw_line(t, 0, L);
            narrow();
            draw_line(t, 1, C);
            reference(t, 1.0f, T);
            break;
        case 9:
            draw_line(t, 1, C);
            draw_line(t, 2, C);
            draw_line(t, 0, L);
            reference(t, t.ivar == 1 ? mean_of(t.d[0], n) : 1.0f, S);
            break;
    }

    // bottom panel
    plot::lsty(ps.lsty[0]);
    panel_frame(ps, 0.1, 0.9, 0.17, 0.9, ps.xmin, ps.xmax, ps.zmin, ps.zmax, ps.xtick, ps.nxsub, ps.ztick,
                ps.nzsub);
    plot::lab(t.xlab2, t.zlab, t.title2);
    switch (t.kind) {
        case 1:
            if (t.d[4][0] != 0.0f) {
                draw_line(t, 3, L);
                wide();
                draw_line(t, 4, C);
                narrow();
            }
            reference(t, 1.0f, L);
            break;
        case 2:
        case 4:
        case 7:
            if (t.count > 0 && t.count <= n) {
                draw_line(t, 3, L);
                wide();
                draw_line(t, 4, C);
                narrow();
            }
            if (t.kind == 7) reference(t, 0.0f, F);
            break;
        case 5:
            draw_line(t, 3, L);
            plot::col0(S);
            plot::poin(head(t.x, n), head(t.d[3], n), ps.isym);
            reference(t, 0.85f, C);
            break;
        case 6:
            draw_line(t, 3, L);
            wide();
            draw_line(t, 4, C);
            narrow();
            reference(t, 1.0f, L);
            break;
        case 8:
            draw_line(t, 3, L);
            draw_line(t, 4, C);
            if (t.bottom_reference) reference(t, 1.0f, T);
            break;
        case 9:
            draw_line(t, 4, C);
            draw_line(t, 5, C);
            draw_line(t, 3, L);
            reference(t, mean_of(t.d[3], n), S);
            break;
    }
    plot::end();
}

// What the pages of a plot are called in the file names of a file device.
std::string page_name(int kind, int variant, std::string_view name, std::string_view top_title,
                      std::string_view zlabel) {
    const std::string id = trimmed(name);
    const std::string title = trimmed(left_justified(top_title));
    switch (kind) {
        case 1:  // a detrending pass names its stage; the AR stage and the regional curve do not
            if (trimmed(zlabel) == "outliers (z)") return id + " ar outliers";
            return id + " " + (title.empty() ? std::string("rcs") : title);
        case 2: return id + " transform";
        case 3: return variant == 2 ? "res kov" : "raw std";
        case 4: return "seg age";
        case 5: {
            static const char* const stage[] = {"raw", "trn", "ind", "res"};
            return std::string(variant >= 3 && variant <= 6 ? stage[variant - 3] : "") + " rbar eps";
        }
        case 6: return "rcs curve";
        case 7: return variant == 2 ? "endog sum" : "ar outliers";
        case 8: return id + " endog outs";
        default: return title.substr(0, title.find(' ')) + " bootstrap";
    }
}

// A free-form read of one real; the old value stays when the answer holds none.
void read_real(float& v) {
    const std::string a = con().answer();
    try {
        const auto f = free_fields(a);
        if (!f.empty()) v = static_cast<float>(free_real(f[0]));
    } catch (const ReadError&) {
    }
}

}  // namespace

void plt2pn(const TwoPanelData& data, int n, int first_year, int variant, std::string_view name,
            std::string_view top_title, std::string_view bottom_title, std::string_view /*xlabel*/,
            std::string_view ylabel, std::string_view xlabel2, std::string_view zlabel, int kind, char /*setting*/,
            int& plot_switch, const std::array<float, 7>& fitcoef, int curve_option, int* returned_option) {
    if (kind < 1 || kind > 9) return;
    TwoPanel t;
    t.n = std::clamp(n, 0, mxy);
    t.kind = kind;
    t.ivar = variant;
    t.iopt = curve_option;

    const std::string lead = std::string(9, ' ') + trimmed(name);
    t.title1 = cut(lead + std::string(top_title), 100);
    t.title2 = cut(lead + std::string(bottom_title), 100);
    if (kind != 3 && kind != 6 && kind != 8) {
        t.title1 = left_justified(t.title1);
        t.title2 = left_justified(t.title2);
    }
    t.title1 = trimmed(t.title1);
    t.title2 = trimmed(t.title2);
    t.ylab = trimmed(left_justified(cut(ylabel, 60)));
    t.zlab = trimmed(left_justified(cut(zlabel, 60)));
    t.xlab2 = trimmed(left_justified(cut(trimmed(xlabel2), 60)));

    PlotCycle cy{t.ps, plot_menu(kind == 3 ? PlotMenuKind::two_panel_depth : PlotMenuKind::two_panel),
                 [&] { prepare(t, data, first_year, fitcoef); }, [&] { draw(t); }, {}, &plot_switch};
    cy.own_option = [&](int k) {
        if (k == 22) {
            con().write("(/15x,'change z2 axis max value from: ',f8.3)", t.z2max);
            con().write("(13x,'to > ',$)");
            read_real(t.z2max);
            return true;
        }
        if (k == 23) {
            con().write("(/15x,'change z2 axis min. value from: ',f8.3)", t.z2min);
            con().write("(13x,'to > ',$)");
            read_real(t.z2min);
            return true;
        }
        return false;
    };
    plot::name_pages(page_name(kind, variant, name, top_title, zlabel));
    run_plot_cycle(cy);
    if (returned_option) *returned_option = t.iopt;
}

}  // namespace kov

#include "plotting/plot_cycle.hpp"

#include <optional>

#include "plotting/plot_device.hpp"
#include "shared/console.hpp"
#include "shared/layout.hpp"

namespace kov {
namespace {

std::optional<int> option_number(const std::string& ans) {
    try {
        const auto v = read_values("(i2)", ans);
        if (!v.empty()) return static_cast<int>(v[0].i);
    } catch (const ReadError&) {
    }
    return std::nullopt;
}

// The PostScript save: the name typed, then one drawing pass into the file.
void save(PlotCycle& cy) {
    std::string name;
    if (!ask_plot_file(name)) return;
    plot::setopt("geometry", "600x1000");
    plot::sdev("psc");
    plot::sfnam(name);
    set_plot_colours(cy.ps);
    cy.draw();
    cy.ps.device = "wingcc";
}

void draw_screen(PlotCycle& cy) {
    plot_device_setup(cy.ps, "1000x700", cy.ps.device);
    cy.draw();
    cy.ps.device = "wingcc";
}

void reset(PlotCycle& cy) {
    pltopt(cy.ps, 99);
    if (cy.prepare) cy.prepare();
}

}  // namespace

bool ask_plot_file(std::string& name) {
    Console& c = con();
    c.write("(/15x,'NOTE: The image file you are about to create is PostScript. ')");
    c.write("(15x,'To make this readily apparent to your OS we recommend adding')");
    c.write("(15x,'the extension .ps to the file name.')");
    c.write("(15x,'Enter plot file name > ',$)");
    name = trimmed(left_justified(cut(c.answer(), 70)));
    // A blank name would make PLplot ask for one itself, and a file that cannot be
    // opened would end the program inside PLplot: both count as a failed read.
    if (name == "-") name = "./-";  // "-" alone would send the PostScript to the console
    if (name.empty() || !plot::can_write_file(name)) {
        c.write("(/15x,'Error reading plot file name')");
        c.write("(15x,'Try again and do not forget to append')");
        c.write("(15x,'the extension .ps')");
        return false;
    }
    return true;
}

std::string trimmed(std::string_view s) {
    size_t e = s.size();
    while (e > 0 && s[e - 1] == ' ') --e;
    return std::string(s.substr(0, e));
}

std::string left_justified(std::string_view s) {
    const size_t b = s.find_first_not_of(' ');
    if (b == std::string_view::npos || b == 0) return std::string(s);
    std::string out(s.substr(b));
    out.append(b, ' ');
    return out;
}

std::string stage_file_tag(int istage) {
    switch (istage) {
        case 1: return "raw";
        case 2: return "trn";
        case 3: return "det";
        case 4: return "res";
        default: return "";
    }
}

std::string cut(std::string_view s, size_t n) { return std::string(s.substr(0, std::min(n, s.size()))); }

void set_plot_colours(const PlotSet& ps) {
    if (ps.idark == 1) {
        plot::scol0(15, 255, 255, 255);
        plot::scol0(0, 0, 0, 0);
    } else {
        plot::scol0(0, 255, 255, 255);
        plot::scol0(15, 0, 0, 0);
    }
    plot::scolbg(ps.ibgrgb[0], ps.ibgrgb[1], ps.ibgrgb[2]);
}

void plot_device_setup(const PlotSet& ps, std::string_view geometry, std::string_view device) {
    plot::setopt("geometry", geometry);
    plot::sdev(device);
    set_plot_colours(ps);
}

void begin_pass(int panels) {
    plot::init();
    plot::ssub(1, panels);
    plot::fontld(1);
    plot::font(1);
}

void begin_titled_page(const PlotSet& ps) {
    plot::init();
    plot::fontld(1);
    plot::font(1);
    plot::ssub(1, 1);
    plot::adv(0);
    plot::vpor(0.1, 0.9, 0.1, 0.9);
    plot::col0(ps.itxtc);
}

void panel_frame(const PlotSet& ps, double vx1, double vx2, double vy1, double vy2, double xmin, double xmax,
                 double lo, double hi, double xtick, int nxsub, double step, int nsub, std::string_view xopt) {
    plot::adv(0);
    plot::vpor(vx1, vx2, vy1, vy2);
    plot::wind(xmin, xmax, lo, hi);
    plot::col0(ps.ifrmc);
    plot::axes(xmin, lo, xopt, xtick, nxsub, "abinstv", step, nsub, xmin, xmax, lo, hi);
    plot::col0(ps.itxtc);
}

void print_menu_box(const std::vector<std::string>& box) {
    con().line("");
    con().line("");
    for (const auto& l : box) con().line(std::string(15, ' ') + l);
}

void run_plot_cycle(PlotCycle& cy) {
    Console& c = con();
    reset(cy);
    draw_screen(cy);
    for (;;) {
        print_menu_box(cy.menu.box);
        c.write("(/15x,' enter option number > ',$)");
        std::string ans = cut(c.answer(), 2);
        ans.resize(2, ' ');
        if (ans == "S " || ans == "s ") {
            save(cy);
            continue;
        }
        if (ans == "C " || ans == "c " || ans == "  " || ans == "Y " || ans == "y ") return;
        if ((ans == "N " || ans == "n ") && cy.menu.no != PlotMenu::No::unknown) {
            if (cy.menu.no == PlotMenu::No::clears_switch && cy.plot_switch) *cy.plot_switch = 0;
            return;
        }
        const std::optional<int> k = option_number(ans);
        if (k && *k >= 1 && *k <= cy.menu.max_option) {
            pltopt(cy.ps, *k);
        } else if (k && *k == 0) {
            cy.ps.device = "wingcc";
            draw_screen(cy);
        } else if (k && *k == 99) {
            reset(cy);
            draw_screen(cy);
        } else if (k && cy.own_option && cy.own_option(*k)) {
            // handled by the plot itself; the menu comes again without a redraw
        } else if (cy.menu.unknown_names_answer) {
            c.write(cy.menu.unknown, ans);
        } else {
            c.write(cy.menu.unknown);
        }
    }
}

}  // namespace kov

#include "plotting/plot_settings.hpp"

#include "shared/console.hpp"
#include "shared/layout.hpp"

#include <type_traits>

namespace kov {
namespace {

// A free-form read of one value; the old value stays when the answer holds none.
template <class T>
void read_free(T& value) {
    const std::string a = con().answer();
    try {
        const auto f = free_fields(a);
        if (f.empty()) return;
        if constexpr (std::is_integral_v<T>)
            value = static_cast<T>(free_int(f[0]));
        else
            value = static_cast<T>(free_real(f[0]));
    } catch (const ReadError&) {
    }
}

// An "(i4)" read: the first four characters, an all-blank field being 0.
void read_i4(int& value) {
    const std::string a = con().answer();
    try {
        const auto v = read_values("(i4)", a);
        if (!v.empty()) value = static_cast<int>(v[0].i);
    } catch (const ReadError&) {
    }
}

void to_prompt() { con().write("(13x,'to > ',$)"); }

}  // namespace

void pltopt(PlotSet& ps, int iplopt) {
    Console& c = con();
    if (iplopt == 2 || iplopt == 3 || iplopt == 4 || iplopt == 5 || iplopt == 21) {
        c.write("(/13x,'color table ______________________________________________')");
        c.write("(13x,'white(0) red(1)  yellow(2)  green(3)  aquamarine(4) pink(5) ')");
        c.write("(13x,'wheat(6)  grey(7)  browm(8)  blue(9)  blueviolet(10)')");
        c.write("(13x,'cyan(11)  turquoise(12)  magenta(13)  salmon(14)  black(15)')");
        c.write("(13x,'___________________________________________________________',/)");
    } else if (iplopt == 1) {
        c.write("(/13x,'color table (background only) ____________________________')");
        c.write("(13x,'black(0) white(1)  user defined (2)')");
        c.write("(13x,'___________________________________________________________',/)");
    }
    switch (iplopt) {
        case 1: {
            c.write("(/13x,'select new background color [0/1/2] : ',$)");
            int choice = -1;
            read_free(choice);
            if (choice == 0) {
                ps.ibgrgb = {0, 0, 0};
                ps.idark = 1;
            } else if (choice == 1) {
                ps.ibgrgb = {255, 255, 255};
                ps.idark = 0;
            } else if (choice == 2) {
                c.write("(13x,'enter red value [0-255] > ',$)");
                read_free(ps.ibgrgb[0]);
                c.write("(13x,'enter green value [0-255] > ',$)");
                read_free(ps.ibgrgb[1]);
                c.write("(13x,'enter blue value [0-255] > ',$)");
                read_free(ps.ibgrgb[2]);
                ps.idark = 0;
            }
            break;
        }
        case 2:
            c.write("(13x,'select new frame color [0-15] : ',$)");
            read_free(ps.ifrmc);
            break;
        case 3:
            c.write("(/13x,'select new text color: [0-15] : ',$)");
            read_free(ps.itxtc);
            break;
        case 4:
            c.write("(13x,'select new line color: [0-15] : ',$)");
            read_i4(ps.icol[0]);
            break;
        case 5:
            c.write("(13x,'select new curve color: [0-15] : ',$)");
            read_i4(ps.icol[1]);
            break;
        case 6:
            c.write("(/13x,'select new line style: [0-8] : ',$)");
            read_i4(ps.lsty[0]);
            break;
        case 7:
            c.write("(/13x,'select new curve width: [0-8]  : ',$)");
            read_i4(ps.lsty[1]);
            break;
        case 8:
            c.write("(/13x,'change x axis major tics from: ',f6.0)", ps.xtick);
            to_prompt();
            read_free(ps.xtick);
            break;
        case 9:
            c.write("(/13x,'change x axis minor tics from: ',i4)", ps.nxsub);
            to_prompt();
            read_free(ps.nxsub);
            break;
        case 10:
            c.write("(/13x,'change y axis major tics from: ',f6.0)", ps.ytick);
            to_prompt();
            read_free(ps.ytick);
            break;
        case 11:
            c.write("(/13x,'change y axis minor tics from: ',i4)", ps.nysub);
            to_prompt();
            read_i4(ps.nysub);
            break;
        case 12:
            c.write("(/13x,'change z axis major tics from: ',f6.0)", ps.ztick);
            to_prompt();
            read_free(ps.ztick);
            break;
        case 13:
            c.write("(/13x,'change z axis minor tics from: ',i4)", ps.nzsub);
            to_prompt();
            read_i4(ps.nzsub);
            break;
        case 14:
            c.write("(/13x,'change x axis max value from: ',f8.3)", ps.xmax);
            to_prompt();
            read_free(ps.xmax);
            break;
        case 15:
            c.write("(/13x,'change x axis min value from: ',f8.3)", ps.xmin);
            to_prompt();
            read_free(ps.xmin);
            break;
        case 16:
            c.write("(/13x,'change y axis max value from: ',f8.3)", ps.ymax);
            to_prompt();
            read_free(ps.ymax);
            break;
        case 17:
            c.write("(/13x,'change y axis min value from: ',f8.3)", ps.ymin);
            to_prompt();
            read_free(ps.ymin);
            break;
        case 18:
            c.write("(/13x,'change z axis max value from: ',f8.3)", ps.zmax);
            to_prompt();
            read_free(ps.zmax);
            break;
        case 19:
            c.write("(/13x,'change z axis min value from: ',f8.3)", ps.zmin);
            to_prompt();
            read_free(ps.zmin);
            break;
        case 20:
            c.write("(/13x,'change symbol [0-126, 32 = no symbol]: ',i4)", ps.isym);
            to_prompt();
            read_free(ps.isym);
            break;
        case 21:
            c.write("(/13x,'change symbol color from: ',i4)", ps.isymc);
            to_prompt();
            read_free(ps.isymc);
            break;
        case 99:
            ps.device = "wingcc";
            ps.ibgrgb = {255, 255, 255};
            ps.lsty = {1, 2};
            ps.icol = {15, 1, 9};
            ps.itxtc = 15;
            ps.ifrmc = 15;
            ps.isym = 20;
            ps.isymc = 9;
            ps.idark = 0;
            break;
        default:
            break;
    }
}

}  // namespace kov

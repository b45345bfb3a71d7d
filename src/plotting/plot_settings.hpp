#pragma once
// The look-and-feel record each plot keeps for itself, and the prompt that
// changes one of its settings at a time.
#include <array>
#include <string>

namespace kov {

struct PlotSet {
    std::string device = "wingcc";
    std::array<int, 3> ibgrgb{255, 255, 255};  // background red, green, blue
    std::array<int, 2> lsty{1, 2};             // line style, pen width of curves
    std::array<int, 3> icol{15, 1, 9};         // line, curve and third line colour
    int itxtc = 15, ifrmc = 15;                 // text and frame colour
    int nxsub = 0, nysub = 0, nzsub = 0;        // minor ticks per major step
    int isym = 20, isymc = 9;                   // plotting symbol and its colour
    float xtick = 0, ytick = 0, ztick = 0;      // major tick steps
    float xmax = 0, xmin = 0, ymax = 0, ymin = 0, zmax = 0, zmin = 0;
    int idark = 0;                              // 1 after the black background was chosen
};

// Option 99 resets the look (not ticks or limits) without a prompt; 1 to 21
// prompt for one setting on the console and store it; every other number does
// nothing. Nothing is range-checked; an answer that is not a number keeps the
// setting as it was.
void pltopt(PlotSet& ps, int iplopt);

}  // namespace kov

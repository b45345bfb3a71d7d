#pragma once
// What every plot shares from entry to return: the reset of its settings, the
// device set-up, the drawing pass on the screen, the options menu on the console
// and the save as colour PostScript.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "plotting/plot_settings.hpp"

namespace kov {

struct PlotMenu {
    std::vector<std::string> box;  // the menu box lines, each written after 15 blanks
    int max_option = 21;           // options 1 to max_option go to pltopt
    std::string unknown = "(/13x,'unknown option re-enter a valid request')";
    bool unknown_names_answer = false;  // the message layout takes the answer as typed
    enum class No { clears_switch, continues, unknown } no = No::clears_switch;
};

struct PlotCycle {
    PlotSet& ps;
    PlotMenu menu;
    std::function<void()> prepare;          // data, limits and ticks, after the reset
    std::function<void()> draw;             // one drawing pass, from plinit to plend
    std::function<bool(int)> own_option;    // options of the plot's own (true: handled)
    int* plot_switch = nullptr;             // the caller's switch that "n" clears
};

// Runs the cycle: reset, preparation, a screen drawing, then the menu until the
// user continues (or answers "n").
void run_plot_cycle(PlotCycle& cycle);

// Asks for the PostScript file name (the notes, the prompt, the read); false
// after the error lines when the name is blank or the file cannot be written.
bool ask_plot_file(std::string& name);

// The colour map entries 0 and 15 by the background flag, then the background.
void set_plot_colours(const PlotSet& ps);

// Device set-up before a drawing pass on `device` ("wingcc" is the screen).
void plot_device_setup(const PlotSet& ps, std::string_view geometry, std::string_view device);

// plinit, the panels one above the other, font set 1, font 1.
void begin_pass(int panels);

// plinit for a page of panels under one title: font set 1, font 1, the whole
// page as one subpage with its viewport, the text colour for the title.
void begin_titled_page(const PlotSet& ps);

// One framed panel: pladv, viewport, window, axes crossing at the minima with the
// given steps in the frame colour, then the text colour.
void panel_frame(const PlotSet& ps, double vx1, double vx2, double vy1, double vy2, double xmin, double xmax,
                 double lo, double hi, double xtick, int nxsub, double step, int nsub,
                 std::string_view xopt = "abinst");

// The menu box: two empty lines, then each line after 15 blanks.
void print_menu_box(const std::vector<std::string>& box);

// Text helpers: less trailing blanks; left-justified; cut to n characters.
std::string trimmed(std::string_view s);
std::string left_justified(std::string_view s);
std::string cut(std::string_view s, size_t n);

// The file tag of a data stage: 1 "raw", 2 "trn", 3 "det", 4 "res".
std::string stage_file_tag(int istage);

// The panel label of a component page: "PC_" (kind 1) or "VF_" (kind 2), the
// component number, its percentage of variance and "%".
std::string component_label(int kind, int comp, float pct);

}  // namespace kov

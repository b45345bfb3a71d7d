#pragma once
// The console side of reviewing a fitted growth curve, shared by the
// detrending passes and regional curve standardisation: the option legend and
// list, the questions for a new option's window, alpha or stiffness, and the
// end of a run that keeps a curve at or below zero.
#include <cstddef>
#include <optional>
#include <span>

#include "shared/files.hpp"

namespace kov {

// The legend of curve options in the listing (regional: its spline line
// differs by a blank).
void option_legend(OutFile& out, bool regional);
// The list of options the user can change to, on the console.
void option_list();
// One character of an answer, folded to lower case; blank when empty.
char answer_char();
// A whole number typed free-form; nullopt for a read error.
std::optional<int> answer_int();
// The window of -3 and -4: cut to n, negative as percent of n (made odd for
// -3). A spline's period in percent of n is percent_period's.
int resolve_width(int option, int w, int n);
// Asks a new window width for option -3 or -4 on n values.
int window_prompt(int option, int n);
// Asks the age-dependent spline's starting stiffness by `layout` until the
// first `width` columns of the answer hold 5 or more (free-form); nullopt for
// a blank answer, which takes the caller's default. "/" stops the run.
std::optional<int> stiffness_answer(const char* layout, size_t width);
// Asks a super smoother alpha from 0 to 9.
int alpha_prompt();
// True when one of the values is a measurement: neither missing nor 0. A
// series without one can take no curve and make no index.
bool has_measured_value(std::span<const float> values);
// The listing line of series j, under curve option `option`, left out for
// want of a measured value.
void list_no_measured_value(OutFile& out, int j, int option);
// Asks for the curve option to change to; nullopt, after the list of options
// once more, for an answer that is no option a series can take.
std::optional<int> new_curve_option();
// Asks whether the run is to end over a curve at or below zero: "n" returns
// to the curve. Any other answer ends the run: "okay, hasta la vista, baby!",
// the data file's tab, chronology and error files deleted, the run-wide
// chronology files taken back to where the data file began (deleted with
// fewer than two data files finished before it), what was kept and what
// removed named on the console, and a stop with "*** negative growth curve
// value ***" (exit status 1).
void end_over_negative_curve();

}  // namespace kov

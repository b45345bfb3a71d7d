#pragma once
// The mean-value chronology builder: one chronology from the series now in
// sermat, year by year, with its sample depth, mean segment length and age,
// spread and standard error per year; its listing with the character bar
// chart, the biweight weights of every series (weight file and quartiles),
// and the statistics tables that close the report.
#include <span>

namespace kov {

// ctype: 'n' raw, 's' standard, 'r' residual (indices), 'b' the age-aligned
// chronology of regional curve standardisation (span from sertbl row nc + 2).
// Every vector holds at least the n years of the span; years 1..n of each
// output are written (lo and hi only with the bootstrap on, otherwise only
// moved with the chronology by the stabilisation). work1..work4 are lent by
// the caller and overwritten.
void bldcrn(std::span<int> depth, std::span<float> seglen, std::span<float> age,
            std::span<float> crn, std::span<float> work1, std::span<float> work2,
            std::span<float> spread, std::span<float> work3, std::span<float> work4, float rawmax,
            float rbarst, char ctype, std::span<float> stderr_out, std::span<float> lo,
            std::span<float> hi);

// The statistics tables that end a chronology's report in the listing.
// crn, depth, spread: the n years of the chronology from first_year; improved
// (n_improved values) and unimproved (n_unimproved): the efficiencies above
// 1.0 and the others; both lists are sorted in place.
void chronology_statistics(std::span<float> crn, std::span<const int> depth,
                           std::span<const float> spread, int n, int first_year, char ctype,
                           std::span<float> improved, int n_improved, std::span<float> unimproved,
                           int n_unimproved);

// Position (1..32) of value v on the listing's bar, step s per position.
int bar_position(float v, float s);

}  // namespace kov

#pragma once
// The chronology steps of the driver: the raw and the standard chronology,
// with the bootstrap confidence-limit file, the spline dialogue, the adaptive
// power adjustment and the chronology files.
#include <span>
#include <string_view>

namespace kov {

// The raw (or transformed) chronology into crnmat column 4, its limits, plots
// and chronology files.
void raw_chronology_stage();
// The standard chronology of the indices into crnmat column 5.
void standard_chronology_stage();

// Which chronology a shared step works for.
enum class ChronologyKind { raw = 0, standard = 1, residual = 2, kovrin = 3 };

// The years of the chronology in work (indices from..to-1) that lie in the
// raw chronology's span with limits. A later chronology may start later than
// the raw one (first differences drop the first year), so the span is taken
// in calendar years and cut to the chronology's own years: a limit beyond its
// last year is a value of the raw chronology, not of this one.
struct LimitYears {
    int from = 0, to = 0;
    int count() const { return to - from; }
};
LimitYears own_limit_years();

// The confidence-limit step: splines of the chronology (crvmean) over all
// its years and of its limits (bootlo, boothi) over its own limit years, the
// bootstrap plot (and, for the raw chronology,
// the spline dialogue), then the "_95%cl.txt" file.
void confidence_limit_step(ChronologyKind kind);

// Writes a chronology (values of nyc years) with its standard errors to the
// chronology and error files and to the run-wide files of its kind.
void write_chronology(std::span<const float> values, std::string_view tag, std::string_view mark,
                      ChronologyKind kind);

// The adaptive power adjustment of a chronology column over nyc years with
// its statistics table (the long-span layout from `threshold` years on).
void adjusted_statistics(int column, int threshold);

}  // namespace kov

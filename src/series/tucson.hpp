#pragma once
// The Tucson decade formats as written: ring widths ("mw"), indices with
// sample depths ("iw"), and the CRU form written from the same decade lines
// ("cr"). Their readers: tucson_read.hpp for the decade formats, cru.hpp for
// the CRU form.
#include <span>
#include <string_view>

#include "shared/files.hpp"

namespace kov {

// Writes one series in mode "mw", "iw" or "cr" (either case) to `out`, with
// the 3-character stage tag. depths: "iw"/"cr" only; empty, or a first entry
// below 1, writes every depth as 1. Writes nothing when count is below 1.
// Every line is written so that the readers read it back as this series at
// its years: a value or depth that does not fit its field is held at the
// field's edge (9989, 999, 999999 or -99999), and in "iw" a minus sign in the
// identifier straight before a year of four digits becomes a blank in a
// series of one line (the reader places longer ones by the years of their
// lines), each with a warning line in the main listing.
void trrw(std::string_view id, int first_year, int count, std::span<const float> values,
          std::span<const int> depths, OutFile& out, std::string_view mode, std::string_view tag);

}  // namespace kov

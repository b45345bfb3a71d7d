#pragma once
// Names of the output files: the per-file outputs are the data-file name less
// a final ".txt" followed by a suffix; the run-wide files have fixed names.
//
// Every place that names an output file takes its suffix or name from here,
// so that this header is the one list of the files a run can write. The
// README describes each of them for the user, and a test holds the two
// together: a new output file starts with a new entry here.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kov {

namespace suffix {

// every data file
inline constexpr std::string_view listing = "_out.txt";
inline constexpr std::string_view tab_table = "_tabs.txt";
inline constexpr std::string_view chronologies = "_crns.txt";
inline constexpr std::string_view chronology_errors = "_errs.txt";
inline constexpr std::string_view batch_commands = "_log.txt";
inline constexpr std::string_view batch_detail = "_detail.txt";

// the series of a stage, saved in the save format
inline constexpr std::string_view raw_series = "_raw.txt";
inline constexpr std::string_view gap_filled = "_gap.txt";
inline constexpr std::string_view transformed = "_trn.txt";
inline constexpr std::string_view first_indices = "_ind1.txt";
inline constexpr std::string_view second_indices = "_ind2.txt";
inline constexpr std::string_view rcs_indices = "_rcs_ind2.txt";
inline constexpr std::string_view residuals = "_res.txt";
inline constexpr std::string_view no_outliers = "_no_outliers.txt";
inline constexpr std::string_view endogenous_outliers = "_endo_outs.txt";  // after the whole data-file name

// detrending
inline constexpr std::string_view first_curves = "_crv1.txt";
inline constexpr std::string_view second_curves = "_crv2.txt";
inline constexpr std::string_view rcs_aligned = "_rcs_raw.txt";
inline constexpr std::string_view rcs_age_indices = "_rcs_ind1.txt";  // after the whole data-file name
inline constexpr std::string_view rcs_limits = "_rcs_95%cl.txt";      // after the whole data-file name

// running rbar and EPS of the stages raw, transformed, indices, residuals
inline constexpr std::array<std::string_view, 4> running_rbar = {"_raw_rbar.txt", "_trn_rbar.txt", "_ind_rbar.txt",
                                                                  "_res_rbar.txt"};

// principal components and varimax factors of the common period, by stage:
// raw, transformed, indices ("det"), residuals
inline constexpr std::array<std::string_view, 4> pc_loadings = {"_pcloads_raw.txt", "_pcloads_trn.txt",
                                                                 "_pcloads_det.txt", "_pcloads_res.txt"};
inline constexpr std::array<std::string_view, 4> pc_scores = {"_pcscores_raw.txt", "_pcscores_trn.txt",
                                                               "_pcscores_det.txt", "_pcscores_res.txt"};
inline constexpr std::array<std::string_view, 4> vf_loadings = {"_vfloads_raw.txt", "_vfloads_trn.txt",
                                                                 "_vfloads_det.txt", "_vfloads_res.txt"};
inline constexpr std::array<std::string_view, 4> vf_scores = {"_vfscores_raw.txt", "_vfscores_trn.txt",
                                                               "_vfscores_det.txt", "_vfscores_res.txt"};

// bootstrap confidence limits of the raw, standard, residual and kovrin chronologies
inline constexpr std::array<std::string_view, 4> limits = {"_raw_95%cl.txt", "_std_95%cl.txt", "_res_95%cl.txt",
                                                            "_kov_95%cl.txt"};

// biweight weights of the raw, standard, residual and regional-curve chronologies
inline constexpr std::array<std::string_view, 4> weights = {"_raw_wgts.txt", "_ind_wgts.txt", "_res_wgts.txt",
                                                             "_rcs_wgts.txt"};

inline constexpr std::string_view spectra = "_spectra.txt";

// after the name of the pith offset file that the user asks to reformat
inline constexpr std::string_view pith_offset_copy = "_save";
// the copy of a batch detail file that an interactive run replaces while it
// holds other settings (followed by 2, 3 ... when that copy stands and holds
// another text)
inline constexpr std::string_view detail_copy = "_detail.txt_save";

// the pages drawn on a file plot device: the prefix, this, the page number
// within the data file, what the page shows and the device's extension
// ("site_plot001_S01161_fill.png"). Only a part of the name, and written only
// with such a device, so it is not among output_suffixes(); the README
// describes the pages with the plots.
inline constexpr std::string_view plot_pages = "_plot";

}  // namespace suffix

// The list of names typed at the console.
inline constexpr const char* typed_list_file = "kovrin_files.txt";

// What the name in front of a suffix is.
enum class NamedAfter {
    prefix,            // the data-file name less a final ".txt"
    data_file,         // the whole data-file name
    pith_offset_file,  // the name of the pith offset file
};

struct OutputSuffix {
    std::string_view text;
    NamedAfter after;
};

// Every suffix above, with the name it follows.
std::vector<OutputSuffix> output_suffixes();

// The fixed names: the ten run-wide chronology files and the list of typed names.
std::vector<std::string> run_wide_names();

// Number of characters of a data-file name that form the output prefix: the
// name up to its last non-blank character, less a final ".txt" (lower case
// exactly: "site1.TXT" keeps its ending).
int prefix_length(std::string_view datfil);
std::string output_prefix(std::string_view datfil);

// prefix of the data file in work (shared().datfil) followed by suffix
std::string output_name(std::string_view suffix);

// the whole name of the data file in work, up to its last non-blank
// character, followed by suffix (the three outputs that keep a final ".txt")
std::string data_file_output_name(std::string_view suffix);

// The first two names of a list (in list order) whose outputs would fall on
// the same files: their output prefixes name the same path ("site1.txt" and
// "site1", "a/b" and "a//b.txt", a name listed twice). nullopt when every
// name has a prefix of its own.
std::optional<std::pair<std::string, std::string>> names_sharing_a_prefix(const std::vector<std::string>& names);

}  // namespace kov

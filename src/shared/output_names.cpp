#include "shared/output_names.hpp"

#include <filesystem>
#include <unordered_map>

#include "shared/generic_files.hpp"
#include "shared/tables.hpp"
#include "shared/text_helpers.hpp"

namespace kov {

std::vector<OutputSuffix> output_suffixes() {
    using enum NamedAfter;
    std::vector<OutputSuffix> all{
        {suffix::listing, prefix},
        {suffix::tab_table, prefix},
        {suffix::chronologies, prefix},
        {suffix::chronology_errors, prefix},
        {suffix::batch_commands, prefix},
        {suffix::batch_detail, prefix},
        {suffix::detail_copy, prefix},
        {suffix::raw_series, prefix},
        {suffix::gap_filled, prefix},
        {suffix::transformed, prefix},
        {suffix::first_indices, prefix},
        {suffix::second_indices, prefix},
        {suffix::rcs_indices, prefix},
        {suffix::residuals, prefix},
        {suffix::no_outliers, prefix},
        {suffix::endogenous_outliers, data_file},
        {suffix::first_curves, prefix},
        {suffix::second_curves, prefix},
        {suffix::rcs_aligned, prefix},
        {suffix::rcs_age_indices, data_file},
        {suffix::rcs_limits, data_file},
        {suffix::spectra, prefix},
        {suffix::pith_offset_copy, pith_offset_file},
    };
    for (const auto* group : {&suffix::running_rbar, &suffix::pc_loadings, &suffix::pc_scores, &suffix::vf_loadings,
                              &suffix::vf_scores, &suffix::limits, &suffix::weights})
        for (std::string_view s : *group) all.push_back({s, prefix});
    return all;
}

std::vector<std::string> run_wide_names() {
    std::vector<std::string> names;
    for (int i = 0; i < 10; ++i) names.push_back(generic_file_name(i));
    names.emplace_back(typed_list_file);
    return names;
}

int prefix_length(std::string_view datfil) {
    int k = static_cast<int>(datfil.size());
    while (k > 0 && datfil[k - 1] == ' ') --k;
    if (k >= 4 && datfil.substr(k - 4, 4) == ".txt") return k - 4;
    return k;
}

std::string output_prefix(std::string_view datfil) {
    return std::string(datfil.substr(0, prefix_length(datfil)));
}

std::string output_name(std::string_view suffix) {
    std::string name = output_prefix(shared().datfil) + std::string(suffix);
    shared().last_output_name = name;
    return name;
}

std::string data_file_output_name(std::string_view suffix) { return rtrim(shared().datfil) + std::string(suffix); }

std::optional<std::pair<std::string, std::string>> names_sharing_a_prefix(const std::vector<std::string>& names) {
    std::unordered_map<std::string, size_t> first_with;
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string prefix =
            std::filesystem::path(output_prefix(names[i])).lexically_normal().generic_string();
        const auto [at, fresh] = first_with.emplace(prefix, i);
        if (!fresh) return std::make_pair(names[at->second], names[i]);
    }
    return std::nullopt;
}

}  // namespace kov

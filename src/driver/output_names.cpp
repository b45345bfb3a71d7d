#include "driver/output_names.hpp"

#include <filesystem>
#include <unordered_map>

#include "driver/data_file_loop.hpp"
#include "shared/tables.hpp"

namespace kov {

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
    driver_state().last_output_name = name;
    return name;
}

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

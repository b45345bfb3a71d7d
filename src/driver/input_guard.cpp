#include "driver/input_guard.hpp"

#include <filesystem>
#include <unordered_set>

#include "shared/files.hpp"
#include "shared/output_names.hpp"
#include "shared/text_helpers.hpp"

namespace kov {

namespace {

struct Guard {
    std::string list_name;
    std::vector<std::string> data_names;   // as in the list
    std::vector<std::string> normal_names; // the same, lexically normalised
    std::vector<std::string> current;      // names protected now
};

Guard& guard() {
    static Guard g;
    return g;
}

std::string normal(const std::string& name) {
    return std::filesystem::path(name).lexically_normal().generic_string();
}

void protect_all(std::vector<std::string> names) {
    clear_protected();
    for (auto& n : names)
        if (!n.empty()) protect_name(n);
    guard().current = std::move(names);
}

}  // namespace

std::vector<std::string> list_names(const std::string& list_name) {
    std::vector<std::string> out;
    TextIn f;
    if (!f.open(list_name)) return out;
    while (auto line = f.read_line()) {
        if (blank_start(*line, 10)) break;
        out.push_back(rtrim(*line));
    }
    return out;
}

void guard_run_inputs(const std::string& list_name, const std::vector<std::string>& data_names) {
    auto& g = guard();
    g.list_name = list_name;
    g.data_names = data_names;
    g.normal_names.clear();
    for (const auto& n : data_names) g.normal_names.push_back(normal(n));
    protect_all({list_name});
}

void guard_for_generic_files() {
    auto& g = guard();
    std::vector<std::string> names{g.list_name};
    for (size_t i = 0; i < g.data_names.size(); ++i)
        if (g.normal_names[i].rfind("crns_", 0) == 0) names.push_back(g.data_names[i]);
    protect_all(std::move(names));
}

void guard_for_command_files() {
    auto& g = guard();
    std::unordered_set<std::string> commands;
    for (const auto& n : g.data_names) commands.insert(normal(output_prefix(n) + std::string(suffix::batch_commands)));
    std::vector<std::string> names{g.list_name};
    for (size_t i = 0; i < g.data_names.size(); ++i)
        if (commands.count(g.normal_names[i])) names.push_back(g.data_names[i]);
    protect_all(std::move(names));
}

void guard_data_file(const std::string& datfil, const std::string& command_name, const std::string& detail_name) {
    auto& g = guard();
    std::vector<std::string> names{g.list_name, datfil, command_name};
    if (!detail_name.empty()) names.push_back(detail_name);
    const std::string prefix = normal(output_prefix(datfil));
    // (an empty prefix, of a data file named ".txt", reaches every name)
    for (size_t i = 0; i < g.data_names.size(); ++i)
        if (g.normal_names[i].rfind(prefix, 0) == 0) names.push_back(g.data_names[i]);
    protect_all(std::move(names));
}

void release_detail_file(const std::string& detail_name) {
    // The detail file read at the start of the data file is the one written
    // again now; another input under that name (or an equivalent one) stays
    // protected.
    std::vector<std::string> kept;
    bool dropped = false;
    for (const auto& n : guard().current) {
        if (!dropped && n == detail_name) {
            dropped = true;
            continue;
        }
        kept.push_back(n);
    }
    protect_all(std::move(kept));
}

}  // namespace kov

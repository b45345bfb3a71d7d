#include "driver/run_inputs.hpp"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <unordered_map>

#include "driver/batch_detail.hpp"
#include "driver/data_file_setup.hpp"
#include "options/batch_file.hpp"
#include "series/series_reader.hpp"
#include "shared/console.hpp"
#include "shared/files.hpp"
#include "shared/output_names.hpp"
#include "shared/text_helpers.hpp"

namespace kov {

namespace {

constexpr size_t name_length = 60;

// The data-file loop reads a name into 60 characters: a longer one cut there
// could name another file.
bool too_long(const std::string& name) { return name.size() > name_length; }

}  // namespace

bool data_files_readable(const std::vector<std::string>& names) {
    bool ok = true;
    for (const auto& name : names) {
        if (too_long(name)) {
            con().write("(/1x,'*** data file name longer than 60 characters:  ',a)", name);
        } else if (!path_exists(name)) {
            con().write("(/1x,'data file not found:  ',a)", padded(name, name_length));
        } else if (!readable_file(name)) {
            // a folder ("sub/", "/") would become the folder of the outputs
            con().write("(/1x,'data file is not a file that can be read:  ',a)", padded(name, name_length));
        } else {
            continue;
        }
        ok = false;
    }
    return ok;
}

bool command_files_usable(const std::vector<std::string>& names, std::vector<int>* data_types) {
    // Each file is read once, in list order: names that share one (refused
    // for that already) do not name it twice.
    std::vector<std::string> files;
    std::unordered_map<std::string, size_t> seen;
    std::vector<size_t> file_of(names.size(), SIZE_MAX);
    for (size_t n = 0; n < names.size(); ++n) {
        if (too_long(names[n])) continue;  // the name itself is refused
        std::string file = output_prefix(names[n]) + std::string(suffix::batch_commands);
        const auto [at, fresh] =
            seen.emplace(std::filesystem::path(file).lexically_normal().generic_string(), files.size());
        if (fresh) files.push_back(std::move(file));
        file_of[n] = at->second;
    }

    bool ok = true;
    std::vector<TextIn> readable(files.size());
    bool any_missing = false;
    for (size_t i = 0; i < files.size(); ++i) {
        if (readable[i].open(files[i])) continue;
        if (path_exists(files[i]))
            con().write("(/1x,'*** log file is not a file that can be read:  ',a)", padded(files[i], name_length));
        else
            con().write("(/1x,'*** log file not found:  'a)", padded(files[i], name_length));
        any_missing = true;
    }
    if (any_missing) {
        con().write("(t2,'*** re-run program in interactive mode'/t2,'*** to create the proper log file.')");
        ok = false;
    }
    std::vector<int> types(files.size(), 0);
    for (size_t i = 0; i < files.size(); ++i) {
        if (!readable[i].is_open()) continue;
        OptionBlock options;
        if (batch_file_usable(readable[i], files[i], &options))
            types[i] = options(1, 1);
        else
            ok = false;
        readable[i].close();
    }
    if (data_types) {
        data_types->assign(names.size(), 0);
        for (size_t n = 0; n < names.size(); ++n)
            if (file_of[n] != SIZE_MAX) (*data_types)[n] = types[file_of[n]];
    }
    return ok;
}

bool data_files_hold_series(const std::vector<std::string>& names, const std::vector<int>& data_types, bool batch) {
    bool ok = true;
    for (size_t n = 0; n < names.size() && n < data_types.size(); ++n) {
        const std::string& name = names[n];
        const std::string mode = read_mode(data_types[n]);
        if (mode.empty() || too_long(name) || !readable_file(name)) continue;
        const auto keep = batch ? series_in_use(output_prefix(name) + std::string(suffix::batch_detail))
                                : std::function<bool(int)>([](int) { return true; });
        if (const auto fault = series_fault(name, mode, keep)) {
            con().put(*fault);
            ok = false;
        }
    }
    return ok;
}

}  // namespace kov

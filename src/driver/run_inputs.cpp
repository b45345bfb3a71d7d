#include "driver/run_inputs.hpp"

#include <filesystem>
#include <unordered_set>

#include "options/batch_file.hpp"
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

bool command_files_usable(const std::vector<std::string>& names) {
    // Each file is read once, in list order: names that share one (refused
    // for that already) do not name it twice.
    std::vector<std::string> files;
    std::unordered_set<std::string> seen;
    for (const auto& name : names) {
        if (too_long(name)) continue;  // the name itself is refused
        std::string file = output_prefix(name) + std::string(suffix::batch_commands);
        if (seen.insert(std::filesystem::path(file).lexically_normal().generic_string()).second)
            files.push_back(std::move(file));
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
    for (size_t i = 0; i < files.size(); ++i) {
        if (!readable[i].is_open()) continue;
        if (!batch_file_usable(readable[i], files[i])) ok = false;
        readable[i].close();
    }
    return ok;
}

}  // namespace kov

#include "driver/generic_files.hpp"

#include <array>

#include "shared/files.hpp"
#include "shared/stop.hpp"

namespace kov {

const std::string& generic_file_name(int i) {
    static const std::array<std::string, 10> names{
        "crns_raw.txt",     "crns_std.txt",     "crns_res.txt",     "crns_kov.txt",     "crns_rcs.txt",
        "crns_raw_err.txt", "crns_std_err.txt", "crns_res_err.txt", "crns_kov_err.txt", "crns_rcs_err.txt"};
    return names.at(static_cast<size_t>(i));
}

void create_generic_files() {
    // all ten names checked first, so that a refusal leaves an earlier run's
    // files as they were
    for (int i = 0; i < 10; ++i)
        if (is_protected(generic_file_name(i))) throw FileRefused(generic_file_name(i));
    for (int i = 0; i < 10; ++i) streams().lugcrn[i].open_fresh(generic_file_name(i));
}

void delete_generic_files() {
    for (int i = 0; i < 10; ++i) {
        OutFile& f = streams().lugcrn[i];
        if (!f.is_open()) continue;
        f.close();
        try {
            delete_file(generic_file_name(i));
        } catch (const FileRefused&) {
            // open under the name of an input of the run: cannot happen, as
            // no output is created over one; left alone all the same
        }
    }
}

}  // namespace kov

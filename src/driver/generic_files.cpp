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
    for (int i = 0; i < 10; ++i) streams().lugcrn[i].open_fresh(generic_file_name(i));
}

void delete_generic_files() {
    for (int i = 0; i < 10; ++i) {
        streams().lugcrn[i].close();
        try {
            delete_file(generic_file_name(i));
        } catch (const FileRefused&) {
            // never created under that name: it is an input of the run
        }
    }
}

}  // namespace kov

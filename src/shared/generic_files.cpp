#include "shared/generic_files.hpp"

#include <array>
#include <filesystem>
#include <system_error>

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
    for (int i = 0; i < 10; ++i) create_output(streams().lugcrn[i], generic_file_name(i));
}

namespace {

struct GenericMark {
    int finished = 0;
    std::array<std::uintmax_t, 10> size{};
};

GenericMark& mark() {
    static GenericMark m;
    return m;
}

}  // namespace

void mark_generic_files(int finished_before) {
    auto& m = mark();
    m.finished = finished_before;
    for (int i = 0; i < 10; ++i) {
        OutFile& f = streams().lugcrn[i];
        m.size[i] = 0;
        if (!f.is_open()) continue;
        f.flush();
        std::error_code ec;
        const auto size = std::filesystem::file_size(f.name(), ec);
        if (!ec) m.size[i] = size;
    }
}

bool roll_back_generic_files() {
    auto& m = mark();
    const bool keep = m.finished >= 2;
    if (!keep) {
        delete_generic_files();
    } else {
        for (int i = 0; i < 10; ++i) {
            OutFile& f = streams().lugcrn[i];
            if (!f.is_open()) continue;
            const std::string name = f.name();
            f.discard();  // the part cut off is the unfinished data file's
            std::error_code ec;
            std::filesystem::resize_file(name, m.size[i], ec);
        }
    }
    m = GenericMark{};
    return keep;
}

void delete_generic_files() {
    for (int i = 0; i < 10; ++i) {
        OutFile& f = streams().lugcrn[i];
        if (!f.is_open()) continue;
        f.discard();
        try {
            delete_file(generic_file_name(i));
        } catch (const FileRefused&) {
            // open under the name of an input of the run: cannot happen, as
            // no output is created over one; left alone all the same
        }
    }
}

}  // namespace kov

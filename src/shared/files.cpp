#include "shared/files.hpp"

#include <cstdio>
#include <filesystem>
#include <iterator>
#include <system_error>

#include "shared/console.hpp"
#include "shared/stop.hpp"

namespace kov {

namespace {
std::set<std::string>& protected_names() {
    static std::set<std::string> names;
    return names;
}
}  // namespace

void protect_name(const std::string& name) { protected_names().insert(name); }
void unprotect_name(const std::string& name) { protected_names().erase(name); }
bool is_protected(const std::string& name) {
    if (protected_names().count(name)) return true;
    // The same file under another spelling ("./a.txt", a link) counts too.
    std::error_code ec;
    if (!std::filesystem::exists(name, ec)) return false;
    for (const auto& p : protected_names()) {
        if (std::filesystem::exists(p, ec) && std::filesystem::equivalent(p, name, ec)) return true;
    }
    return false;
}
void clear_protected() { protected_names().clear(); }

bool file_exists(const std::string& name) {
    std::error_code ec;
    return std::filesystem::is_regular_file(name, ec);
}

void delete_file(const std::string& name) {
    if (is_protected(name)) throw FileRefused(name);
    std::error_code ec;
    std::filesystem::remove(name, ec);
}

bool OutFile::open_fresh(const std::string& name) {
    close();
    delete_file(name);
    f_.open(name, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!f_.is_open()) return false;
    name_ = name;
    return true;
}

bool OutFile::open_append(const std::string& name) {
    close();
    if (is_protected(name)) throw FileRefused(name);
    f_.open(name, std::ios::out | std::ios::app | std::ios::binary);
    if (!f_.is_open()) return false;
    name_ = name;
    return true;
}

void OutFile::close() {
    if (f_.is_open()) f_.close();
    f_.clear();
}

void OutFile::line(std::string_view text) {
    if (!f_.is_open()) return;
    f_ << text << '\n';
}

void OutFile::put(std::string_view text) {
    if (!f_.is_open()) return;
    f_ << text;
}

bool TextIn::open(const std::string& name) {
    close();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(name, ec)) return false;
    std::ifstream f(name, std::ios::binary);
    if (!f.is_open()) return false;
    text_.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    // Files from older systems end their lines with a carriage return alone:
    // in a file without any line feed, every carriage return ends a line
    // (otherwise the whole file would be one line).
    const char end =
        text_.find('\n') == std::string::npos && text_.find('\r') != std::string::npos ? '\r' : '\n';
    size_t at = 0;
    while (at < text_.size()) {
        size_t stop = text_.find(end, at);
        if (stop == std::string::npos) stop = text_.size();
        starts_.emplace_back(at, stop);
        at = stop + 1;
    }
    open_ = true;
    name_ = name;
    return true;
}

void TextIn::close() {
    text_ = std::string();
    starts_ = {};
    pos_ = 0;
    open_ = false;
}

std::optional<std::string> TextIn::read_line() {
    if (pos_ >= starts_.size()) return std::nullopt;
    const auto [at, stop] = starts_[pos_++];
    std::string s = text_.substr(at, stop - at);
    strip_cr(s);
    return s;
}

void TextIn::backspace() {
    if (pos_ > 0) --pos_;
}

void Streams::close_all() {
    for (OutFile* f : {&luout, &lutab, &lucrn, &luerr, &luscr, &lutmp, &lulog, &luaux}) f->close();
    for (auto& f : lugcrn) f.close();
    lulist.close();
    ludata.close();
}

Streams& streams() {
    static Streams s;
    return s;
}

}  // namespace kov

#include "shared/files.hpp"

#include <algorithm>
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

bool path_exists(const std::string& name) {
    std::error_code ec;
    return std::filesystem::exists(name, ec);
}

bool same_file(const std::string& a, const std::string& b) {
    std::error_code ec;
    const bool ea = std::filesystem::exists(a, ec), eb = std::filesystem::exists(b, ec);
    if (ea && eb) return std::filesystem::equivalent(a, b, ec);
    if (ea != eb) return false;
    const auto ca = std::filesystem::weakly_canonical(a, ec);
    if (ec) return a == b;
    const auto cb = std::filesystem::weakly_canonical(b, ec);
    if (ec) return a == b;
    return ca == cb;
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

namespace {
std::vector<std::string>& failed_list() {
    static std::vector<std::string> names;
    return names;
}
[[noreturn]] void write_failed(const std::string& name) {
    auto& names = failed_list();
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    throw WriteFailed(name);
}
}  // namespace

const std::vector<std::string>& failed_writes() { return failed_list(); }
void clear_failed_writes() { failed_list().clear(); }
std::string failed_write_line(const std::string& name) {
    return " *** writing failed, the file is incomplete: " + name;
}

void OutFile::close() {
    if (!f_.is_open()) {
        f_.clear();
        return;
    }
    f_.close();  // writes out the buffer: its failure sets the state too
    const bool failed = f_.fail();
    f_.clear();
    if (failed) write_failed(name_);
}

void OutFile::discard() {
    if (f_.is_open()) f_.close();
    f_.clear();
}

void OutFile::flush() {
    if (!f_.is_open()) return;
    f_.flush();
    if (f_.fail()) write_failed(name_);
}

void OutFile::line(std::string_view text) {
    if (!f_.is_open()) return;
    f_ << text << '\n';
}

void OutFile::put(std::string_view text) {
    if (!f_.is_open()) return;
    f_ << text;
}

namespace {

std::vector<std::pair<size_t, size_t>> line_spans(std::string_view text) {
    // Files pass through systems that end their lines in different ways, and
    // an edited file can mix them line by line: LF, CR LF, CR CR LF and a
    // lone CR each end one line.
    std::vector<std::pair<size_t, size_t>> spans;
    size_t at = 0;
    const size_t n = text.size();
    while (at < n) {
        const size_t stop = text.find_first_of("\r\n", at);
        if (stop == std::string_view::npos) {
            spans.emplace_back(at, n);
            break;
        }
        spans.emplace_back(at, stop);
        at = stop + 1;
        if (text[stop] == '\r') {
            if (at < n && text[at] == '\n')
                at += 1;
            else if (at + 1 < n && text[at] == '\r' && text[at + 1] == '\n')
                at += 2;
        }
    }
    return spans;
}

}  // namespace

bool TextIn::open(const std::string& name) {
    close();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(name, ec)) return false;
    std::ifstream f(name, std::ios::binary);
    if (!f.is_open()) return false;
    text_.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    spans_ = line_spans(text_);
    open_ = true;
    name_ = name;
    return true;
}

void TextIn::close() {
    text_ = std::string();
    spans_ = {};
    pos_ = 0;
    open_ = false;
}

std::optional<std::string> TextIn::read_line() {
    if (pos_ >= spans_.size()) return std::nullopt;
    const auto [at, stop] = spans_[pos_++];
    return text_.substr(at, stop - at);
}

void TextIn::backspace() {
    if (pos_ > 0) --pos_;
}

void TextIn::seek(size_t line) { pos_ = std::min(line, spans_.size()); }

void Streams::close_all() {
    std::vector<OutFile*> all{&luout, &lutab, &lucrn, &luerr, &luscr, &lutmp, &lulog, &luaux};
    for (auto& f : lugcrn) all.push_back(&f);
    for (OutFile* f : all) {
        try {
            f->close();
        } catch (const WriteFailed&) {
            // noted in failed_writes: the other files are closed all the same
        }
    }
    lulist.close();
    ludata.close();
}

Streams& streams() {
    static Streams s;
    return s;
}

}  // namespace kov

#include "shared/files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <optional>
#include <system_error>
#include <utility>

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

bool readable_file(const std::string& name) {
    if (!file_exists(name)) return false;
    std::ifstream f(name, std::ios::binary);
    return f.is_open();
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
    // A folder under the name is the user's, empty or not: the file cannot
    // be made there, and the folder stays.
    if (std::filesystem::is_directory(std::filesystem::symlink_status(name, ec))) return;
    std::filesystem::remove(name, ec);
}

bool OutFile::open_fresh(const std::string& name) {
    close();
    name_.clear();  // a file that cannot be created has no name here
    delete_file(name);
    f_.open(name, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!f_.is_open()) return false;
    name_ = name;
    return true;
}

bool OutFile::open_append(const std::string& name) {
    close();
    name_.clear();
    if (is_protected(name)) throw FileRefused(name);
    f_.open(name, std::ios::out | std::ios::app | std::ios::binary);
    if (!f_.is_open()) return false;
    name_ = name;
    return true;
}

namespace {

std::vector<FailedOutput>& failed_list() {
    static std::vector<FailedOutput> files;
    return files;
}

// The entry of a failed output: the one noted before, or a new one.
FailedOutput& note_failed_output(const std::string& name, OutputFailure how) {
    auto& files = failed_list();
    for (auto& f : files)
        if (f.name == name) return f;
    return files.emplace_back(FailedOutput{name, how});
}

[[noreturn]] void write_failed(const std::string& name, OutputFailure how) {
    note_failed_output(name, how);
    throw WriteFailed(name);
}

// The file a rewrite replaces: a link is followed, so that the file the user
// linked gets the new text and the link stays.
std::filesystem::path rewrite_target(const std::string& name) {
    std::error_code ec;
    if (std::filesystem::is_symlink(name, ec)) {
        auto target = std::filesystem::canonical(name, ec);
        if (!ec) return target;
    }
    return name;
}

// The new files of the rewrites under way, where a signal handler can reach
// them: a run stopped by a signal (Ctrl-C, a hang-up, a kill that can be
// caught) removes the one it was writing, and the file it would have
// replaced stays as it was. A slot holds a name from just before its file
// is created until it is renamed or removed; the handler may run on any
// thread, so the name is written before the slot is marked.
constexpr int rewrite_slots = 8;
constexpr size_t slot_length = 4096;
char slot_names[rewrite_slots][slot_length];
std::atomic<bool> slot_used[rewrite_slots];
static_assert(std::atomic<bool>::is_always_lock_free);

constexpr int stop_signals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void remove_rewrites_and_stop(int sig) {
    for (int i = 0; i < rewrite_slots; ++i)
        if (slot_used[i].load(std::memory_order_acquire)) ::unlink(slot_names[i]);
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

// Before every rewrite: a signal at its default action gets the handler; one
// the program was started with ignored (nohup) or handled by another stays so.
void catch_stop_signals() {
    for (int sig : stop_signals) {
        struct sigaction now {};
        if (::sigaction(sig, nullptr, &now) != 0 || (now.sa_flags & SA_SIGINFO) || now.sa_handler != SIG_DFL)
            continue;
        struct sigaction act {};
        act.sa_handler = remove_rewrites_and_stop;
        sigemptyset(&act.sa_mask);
        ::sigaction(sig, &act, nullptr);
    }
}

// The slot of a new file, or -1 when none is free or the name is too long
// for one (the file is then only left behind by a signal).
int hold_rewrite(const std::string& name) {
    if (name.size() >= slot_length) return -1;
    for (int i = 0; i < rewrite_slots; ++i) {
        if (slot_used[i].load(std::memory_order_acquire)) continue;
        std::memcpy(slot_names[i], name.c_str(), name.size() + 1);
        slot_used[i].store(true, std::memory_order_release);
        return i;
    }
    return -1;
}

void release_rewrite(int& slot) {
    if (slot >= 0) slot_used[slot].store(false, std::memory_order_release);
    slot = -1;
}

// A new empty file in the folder of `target`, under a name that no file has:
// it is created exclusively, so no file of the user's is taken over. It lies
// in the same folder so that the rename that puts it in place cannot fail
// half-way. Files left under the names it tries (by a run that was killed)
// are passed over, however many there are. A free name is held in `slot`
// for the signal handler before its file is created, and let go when the
// create fails: a stop at any moment leaves no new file behind. A name that
// is taken is passed over without being held, so that a stop while it is
// tried cannot remove a file this run did not make.
std::optional<std::string> new_file_beside(const std::filesystem::path& target, int& slot) {
    const std::string base = target.filename().string() + ".new";
    for (long n = 0; n < 1000000; ++n) {
        const std::string name = (target.parent_path() / (n == 0 ? base : base + std::to_string(n))).string();
        struct stat taken {};
        if (is_protected(name) || ::lstat(name.c_str(), &taken) == 0) continue;
        slot = hold_rewrite(name);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        const int why = errno;
        release_rewrite(slot);
        if (why != EEXIST) return std::nullopt;
    }
    return std::nullopt;
}

// Whether the file's text has reached the disk; a file system that cannot
// say (no fsync) counts as yes.
bool synced(const std::string& name) {
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL || errno == EROFS;
    return ::close(fd) == 0 && ok;
}

}  // namespace

const std::vector<FailedOutput>& failed_outputs() { return failed_list(); }
void clear_failed_outputs() { failed_list().clear(); }

std::string failed_write_line(const std::string& name) {
    return " *** writing failed, the file is incomplete: " + name;
}
std::string failed_output_line(const FailedOutput& f) {
    switch (f.how) {
        case OutputFailure::not_created: return " *** output file cannot be created:  " + f.name;
        case OutputFailure::left_as_it_was: return " *** writing failed, the file is left as it was: " + f.name;
        case OutputFailure::not_used: return " *** not used, the file is left as it was: " + f.name;
        case OutputFailure::incomplete: break;
    }
    return failed_write_line(f.name);
}

void report_output_failure(const std::string& name, OutputFailure how) {
    FailedOutput& f = note_failed_output(name, how);
    if (f.reported) return;
    f.reported = true;
    const std::string line = failed_output_line(f);
    con().line("");
    con().line(line);
    OutFile& listing = streams().luout;
    if (listing.is_open() && listing.name() != name) listing.line(line);
}

void note_output_failure(const std::string& name, OutputFailure how) { note_failed_output(name, how); }

bool create_output(OutFile& f, const std::string& name) {
    if (f.open_fresh(name)) return true;
    report_output_failure(name, OutputFailure::not_created);
    return false;
}

bool create_copy_output(OutFile& f, const std::string& name, const std::string& original) {
    struct stat from {};
    const bool known = ::stat(original.c_str(), &from) == 0;
    if (!create_output(f, name)) return false;
    if (known && ::chmod(name.c_str(), from.st_mode & 0777) == 0) return true;
    f.discard();
    delete_file(name);
    report_output_failure(name, OutputFailure::not_created);
    return false;
}

bool OutFile::open_rewrite(const std::string& name) {
    close();
    name_.clear();
    if (is_protected(name)) throw FileRefused(name);
    const std::filesystem::path target = rewrite_target(name);
    std::error_code ec;
    if (std::filesystem::exists(target, ec) && !std::filesystem::is_regular_file(target, ec)) return false;
    // The new file takes the earlier file's permissions as it takes its
    // place: they are set at close, as a file of mode 400 could not be
    // written once they were.
    target_mode_.reset();
    struct stat earlier {};
    if (::stat(target.c_str(), &earlier) == 0) target_mode_ = static_cast<unsigned>(earlier.st_mode & 0777);
    catch_stop_signals();
    const auto fresh = new_file_beside(target, slot_);
    if (!fresh) return false;
    f_.open(*fresh, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!f_.is_open()) {
        std::filesystem::remove(*fresh, ec);
        release_rewrite(slot_);
        f_.clear();
        return false;
    }
    name_ = name;
    rewrite_ = *fresh;
    target_ = target.string();
    return true;
}

void OutFile::open_in_memory() {
    close();
    name_.clear();
    in_memory_ = true;
}

void OutFile::close() {
    in_memory_ = false;
    held_ = std::string();
    if (!f_.is_open()) {
        f_.clear();
        return;
    }
    f_.close();  // writes out the buffer: its failure sets the state too
    bool failed = f_.fail();
    f_.clear();
    if (rewrite_.empty()) {
        if (failed) write_failed(name_, OutputFailure::incomplete);
        return;
    }
    const std::string fresh = std::exchange(rewrite_, std::string());
    std::error_code ec;
    if (!failed) failed = !synced(fresh);
    if (!failed && target_mode_) failed = ::chmod(fresh.c_str(), static_cast<mode_t>(*target_mode_)) != 0;
    if (!failed) {
        std::filesystem::rename(fresh, target_, ec);
        failed = static_cast<bool>(ec);
    }
    if (failed) std::filesystem::remove(fresh, ec);
    // (only once the new file is in place or gone)
    release_rewrite(slot_);
    if (failed) write_failed(name_, OutputFailure::left_as_it_was);
}

void OutFile::discard() {
    in_memory_ = false;
    held_ = std::string();
    if (f_.is_open()) f_.close();
    f_.clear();
    if (!rewrite_.empty()) {
        std::error_code ec;
        std::filesystem::remove(rewrite_, ec);
        rewrite_.clear();
        release_rewrite(slot_);
    }
}

void OutFile::flush() {
    if (!f_.is_open()) return;
    f_.flush();
    if (f_.fail()) write_failed(name_, rewrite_.empty() ? OutputFailure::incomplete : OutputFailure::left_as_it_was);
}

void OutFile::line(std::string_view text) {
    if (in_memory_) (held_ += text) += '\n';
    if (!f_.is_open()) return;
    f_ << text << '\n';
}

void OutFile::put(std::string_view text) {
    if (in_memory_) held_ += text;
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
    // The whole file in one read: a data file of thousands of series is read
    // once to check it and once to run it.
    f.seekg(0, std::ios::end);
    const std::streamoff size = f.tellg();
    f.seekg(0, std::ios::beg);
    if (size < 0) return false;
    text_.resize(static_cast<size_t>(size));
    if (!f.read(text_.data(), size)) {
        text_ = std::string();
        return false;
    }
    // A byte-order mark that an editor put in front of a UTF-8 file is a
    // signature of the file, not text of its first line.
    if (text_.starts_with("\xEF\xBB\xBF")) text_.erase(0, 3);
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
            if (f->is_rewrite())
                f->discard();  // left unfinished by a stop: the earlier file stays
            else
                f->close();
        } catch (const WriteFailed&) {
            // noted in failed_outputs: the other files are closed all the same
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

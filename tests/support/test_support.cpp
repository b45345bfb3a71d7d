#include "support/test_support.hpp"

#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <stdexcept>

namespace kovtest {

const char* const tiny_rwl =
    "TNY    1 Tiny test site                                     PIPO               \n"
    "TNY    2 Nowhere      Ponderosa Pine     1500M  4400-11100    __    1995 2012    \n"
    "TNY    3 kovrin tests                                                          \n"
    "TNY01A  1995   120   131   118   102    99\n"
    "TNY01A  2000    97   110   121   104    90    88    93   101   100    95\n"
    "TNY01A  2010    92    90   999\n"
    "TNY02A  1998   150   160   133   141   128   119   125   110   118   109\n"
    "TNY02A  2010   111   104   100   999\n";

const char* const detail_head =
    " num = number of series             ident = series identification\n"
    " ify = first year of time series      ily = last year of time series\n"
    " yfp = years from pith for rcs        itn = transform (>3 = power*1000)\n"
    " idt = series detrending options      ips = series ar model order options\n"
    " isb = stabilize variance options     icu = use (1) or do not use (0)\n"
    " ics = save (1) or do not save (0)    cpa = common period analysis series\n"
    "                   -- do not delete these lines --\n"
    " num  ident      ify   ily   yfp   itn   idt   ips   isb   icu   ics   cpa\n";

ScriptedConsole::ScriptedConsole(const std::string& input)
    : in_(input), con_(std::make_unique<kov::Console>(in_, out_)) {
    kov::set_console(con_.get());
}

ScriptedConsole::~ScriptedConsole() { kov::set_console(nullptr); }

std::vector<std::string> ScriptedConsole::lines() const { return split_lines(out_.str()); }

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    std::random_device rd;
    auto base = std::filesystem::temp_directory_path();
    for (;;) {
        auto p = base / ("kovrin_test_" + std::to_string(rd()) + "_" + std::to_string(counter++));
        if (std::filesystem::create_directory(p)) {
            dir_ = p;
            break;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

void TempDir::write(const std::string& name, const std::string& text) const {
    std::ofstream f(dir_ / name, std::ios::binary);
    f << text;
}

std::string TempDir::read(const std::string& name) const { return read_file(dir_ / name); }

bool TempDir::exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }

Env::Env(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value)
        ::setenv(name, value, 1);
    else
        ::unsetenv(name);
}

Env::~Env() {
    if (old_)
        ::setenv(name_.c_str(), old_->c_str(), 1);
    else
        ::unsetenv(name_.c_str());
}

InDir::InDir(const std::filesystem::path& p) : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(p);
}
InDir::~InDir() { std::filesystem::current_path(old_); }

RunResult run_kovrin(const std::filesystem::path& dir, const std::string& input) {
    TempDir io;
    io.write("stdin.txt", input);
    std::string cmd = "cd '" + dir.string() + "' && '" KOVRIN_EXE "' < '" + (io / "stdin.txt").string() +
                      "' > '" + (io / "stdout.txt").string() + "' 2>&1";
    int rc = std::system(cmd.c_str());
    RunResult r;
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.out = io.read("stdout.txt");
    return r;
}

RunResult run_kovrin_limited(const std::filesystem::path& dir, const std::string& input, int kib,
                             const std::string& console_file) {
    TempDir io;
    io.write("stdin.txt", input);
    const std::string console = console_file.empty() ? "" : " > '" + console_file + "'";
    // bash counts the limit in KiB; what the program writes to the pipe is
    // read here, past the limit's reach
    const std::string cmd = "cd '" + dir.string() + "' && bash -c 'ulimit -f " + std::to_string(kib) +
                            " && exec \"$0\" < \"$1\"" + console + "' '" KOVRIN_EXE "' '" +
                            (io / "stdin.txt").string() + "' 2>&1";
    RunResult r;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
    const int rc = pclose(p);
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return r;
}

std::string join_lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines) text += l + "\n";
    return text;
}

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : text) {
        if (c == '\n') {
            out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) out.push_back(cur);
    return out;
}

int count(const std::string& text, const std::string& what) {
    int k = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++k;
    return k;
}

std::string first_difference(const std::string& a, const std::string& b) {
    const auto la = split_lines(a), lb = split_lines(b);
    for (size_t i = 0; i < std::max(la.size(), lb.size()); ++i) {
        const std::string x = i < la.size() ? la[i] : "(end)", y = i < lb.size() ? lb[i] : "(end)";
        if (x != y) return "line " + std::to_string(i + 1) + ": \"" + x + "\" against \"" + y + "\"";
    }
    return "";
}

std::string read_file(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    if (!f) return {};
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

std::string default_commands(const std::string& datfil) {
    const std::string file = read_file(test_data("options/default_log.txt"));
    return "data file #  1  --  " + datfil + file.substr(file.find('\n'));
}

std::string default_commands(const std::string& datfil, const std::map<size_t, std::string>& replaced) {
    auto lines = split_lines(default_commands(datfil));
    for (const auto& [at, line] : replaced) lines.at(at) = line;
    return join_lines(lines);
}

std::string test_data(const std::string& name) { return std::string(KOVRIN_TEST_DATA) + "/" + name; }

}  // namespace kovtest

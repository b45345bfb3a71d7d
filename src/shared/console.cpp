#include "shared/console.hpp"

#include <iostream>
#include <utility>

#include "shared/stop.hpp"

namespace kov {

Console::Console(std::istream& in, std::ostream& out) : in_(in), out_(out) {}

void Console::line(std::string_view text) {
    out_ << text << '\n';
    out_.flush();
    note(text);
    note("\n");
}

void Console::put(std::string_view text) {
    out_ << text;
    out_.flush();
    note(text);
}

void Console::note(std::string_view text) {
    for (char c : text) {
        if (c != '\n') {
            partial_ += c;
            continue;
        }
        last_line_.swap(partial_);
        partial_.clear();
    }
}

std::optional<std::string> Console::read_line() {
    std::string s;
    if (!std::getline(in_, s)) return std::nullopt;
    strip_cr(s);
    return s;
}

std::string Console::answer() {
    auto s = read_line();
    if (!s) {
        line("");
        line(" *** end of console input ***");
        throw Stop("", exit_end_of_input);
    }
    return *s;
}

void Console::wait() { (void)read_line(); }

bool Console::written_whole() const { return !out_.fail(); }

void strip_cr(std::string& s) {
    while (!s.empty() && s.back() == '\r') s.pop_back();
}

void help_page(std::initializer_list<std::string_view> lines) {
    Console& c = con();
    c.line("");
    for (std::string_view l : lines) {
        std::string text = " ";
        text += l;
        c.line(text);
    }
}

namespace {
Console* installed = nullptr;
}

Console& con() {
    static Console standard(std::cin, std::cout);
    return installed ? *installed : standard;
}

Console* set_console(Console* c) { return std::exchange(installed, c); }

void stop_after_wait(const std::string& said) {
    con().put(said);
    con().wait();
    throw Stop("", exit_failure, said);
}

}  // namespace kov

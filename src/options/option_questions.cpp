#include "options/option_questions.hpp"

#include <climits>

#include "options/option_help.hpp"
#include "shared/console.hpp"
#include "shared/layout.hpp"
#include "shared/stop.hpp"
#include "shared/text_helpers.hpp"

namespace kov {

bool all_blank(std::string_view answer) { return blank_start(answer, answer.size()); }

std::optional<int> typed_integer(const std::string& answer, std::size_t width) {
    // Leading blanks are dropped from the whole typed line before it is cut to
    // the buffer, so that " 20" reads 20 and a number typed after many blanks
    // is not lost past the end of the buffer.
    const auto first = answer.find_first_not_of(' ');
    if (first == std::string::npos) return std::nullopt;
    std::string ans = answer.substr(first, width);
    ans.resize(width, ' ');
    std::string layout;
    ansfmt(ans, layout);
    try {
        const auto v = read_values(layout, ans);
        if (v.empty() || v.front().kind != FVal::Int) return std::nullopt;
        const long long n = v.front().i;
        if (n < INT_MIN || n > INT_MAX) return std::nullopt;
        return static_cast<int>(n);
    } catch (const ReadError&) {
        return std::nullopt;
    }
}

namespace {

bool is_help(const std::string& a) { return !a.empty() && (a[0] == 'h' || a[0] == 'H'); }

// The question shown, until an answer that is no call for help ("h" shows the
// option's help and the question again); "/" stops the run.
std::string answer_past_help(int option, const std::function<void()>& show) {
    for (;;) {
        show();
        std::string a = con().answer();
        if (!a.empty() && a[0] == '/') throw Stop("", exit_ok);
        if (!is_help(a)) return a;
        opthelp(option);
    }
}

}  // namespace

NumberAnswer ask_number(int option, const std::function<void()>& show) {
    for (;;) {
        const std::string a = answer_past_help(option, show);
        if (all_blank(a)) return {true, 0};
        if (auto n = typed_integer(a, question_answer_width)) return {false, *n};
    }
}

std::optional<int> ask_number_or_back(int option, int shown_default, const std::function<void()>& show) {
    const std::string a = answer_past_help(option, show);
    if (all_blank(a)) return shown_default;
    return typed_integer(a, question_answer_width);
}

void ask_yes_no(int& sw, const std::function<void()>& show) {
    sw = 0;
    for (;;) {
        show();
        const std::string a = con().answer();
        const char c = first_char(a);
        if (c == ' ' || c == 'n' || c == 'N') return;
        if (c == 'y' || c == 'Y') {
            sw = 1;
            return;
        }
    }
}

void ask_plot(int& sw, std::string_view question) {
    ask_yes_no(sw, [&] {
        con().line("");
        prompt_line(question);
    });
}

void text_line(std::string_view text) { con().write("(t2,a)", text); }

void text_line_with_default(std::string_view text, int shown_default) {
    con().write("(t2,a,t45,a)", text, "<" + std::to_string(shown_default) + ">");
}

void choice_line(std::string_view text, std::string_view marker) {
    con().write("(t2,a,t38,a)", text, marker);
}

void choice_line_remark(std::string_view text, std::string_view marker, std::string_view remark) {
    con().write("(t2,a,t38,a,t53,a)", text, marker, remark);
}

void choice_line_at37(std::string_view text, std::string_view marker) {
    con().write("(t2,a,t37,a)", text, marker);
}

void prompt_line(std::string_view text) { con().write("(t2,a,t45,'==> ',$)", text); }

void choice_prompt(std::string_view text, std::string_view marker) {
    con().write("(t2,a,t38,a,t45,'==> ',$)", text, marker);
}

void choice_prompt_at37(std::string_view text, std::string_view marker) {
    con().write("(t2,a,t37,a,t45,'==> ',$)", text, marker);
}

void prompt_line_col3(std::string_view text) { con().write("(t3,a,t45,'==> ',$)", text); }

}  // namespace kov

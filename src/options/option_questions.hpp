#pragma once
// The question protocol of the option entry: how a numbered question and a
// plot (yes/no) question read and check their answers, and the writers of
// their lines, so that every option's questions look and behave alike.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kov {

// Width of the answer buffer of an option question and of the run-time menu.
inline constexpr std::size_t question_answer_width = 10;
inline constexpr std::size_t menu_answer_width = 8;

// The integer in a typed answer: leading blanks dropped, the first `width`
// characters kept, and read in as many columns as they hold non-blanks.
// nullopt when it cannot be read or does not fit a 32-bit integer. An answer
// blank in every column is not a number (callers take their default first).
std::optional<int> typed_integer(const std::string& answer, std::size_t width);

// True when the answer holds nothing but blanks.
bool all_blank(std::string_view answer);

// One answer to a numbered question: empty (blank in every column) or a number.
struct NumberAnswer {
    bool empty = false;
    int value = 0;
};

// Asks a numbered question of run option `option`: `show` writes its lines,
// the last ending in the prompt. "/" as the first character stops the program;
// "h" or "H" shows the option's help page and asks again; an answer that is
// not a number asks again. Ranges are the caller's.
NumberAnswer ask_number(int option, const std::function<void()>& show);

// The stand-dynamics threshold questions: "/" stops the program as at every
// question, "h" shows the help page and asks the same question again, an empty
// answer takes `shown_default` (the caller shows it); nullopt for any other
// answer that is not a number, which sends the caller back one question.
std::optional<int> ask_number_or_back(int option, int shown_default, const std::function<void()>& show);

// A yes/no question with the protocol of the plot questions: the switch is
// first set to 0, `show` writes the question, a blank answer is no, anything
// but y, Y, n or N asks again, and y or Y sets the switch to 1.
void ask_yes_no(int& sw, const std::function<void()>& show);
// A plot question: an empty line and `question` (ending in "y/<n>") with the
// prompt at column 45.
void ask_plot(int& sw, std::string_view question);

// Line writers. Text from column 2; a choice marker from column 38 (37 for the
// three-character markers that stand one column further left); a remark from
// column 53; the prompt "==> " in columns 45 to 48, cursor left on the line.
void text_line(std::string_view text);
void choice_line(std::string_view text, std::string_view marker);
void choice_line_remark(std::string_view text, std::string_view marker, std::string_view remark);
void choice_line_at37(std::string_view text, std::string_view marker);
void prompt_line(std::string_view text);
void choice_prompt(std::string_view text, std::string_view marker);
void choice_prompt_at37(std::string_view text, std::string_view marker);
// A prompt whose text starts in column 3 (the stand-dynamics thresholds).
void prompt_line_col3(std::string_view text);
// A question's first line from column 2 with the default an empty answer
// takes, "<value>", from column 45 (above the prompt of the line after it).
void text_line_with_default(std::string_view text, int shown_default);

}  // namespace kov

#include "series/viewer.hpp"

#include <algorithm>
#include <string>

#include "series/fixed_text.hpp"
#include "shared/console.hpp"

namespace kov {

namespace {

void ruler() {
    con().write("(5x,'.........1.........2.........3.........4.........5.........6.........7.........8')");
}

void show(int number, const std::string& raw) {
    std::string line = padded(raw, 80);
    std::replace(line.begin(), line.end(), '\t', ' ');
    con().write("(1x,i3,1x,a)", number, line);
}

char first_letter(const std::string& answer) {
    if (answer.empty()) return ' ';
    return static_cast<char>(std::tolower(static_cast<unsigned char>(answer[0])));
}

}  // namespace

void snoop(TextIn& file) {
    file.rewind();
    con().write("(/1x,'snooping in the data file ','(first 80 characters/line):')");
    ruler();
    for (;;) {
        int lines = 0;
        char answer = ' ';
        for (;;) {
            auto raw = file.read_line();
            if (!raw) break;
            ++lines;
            if (answer == 'e') continue;
            show(lines, *raw);
            if (lines % 5 != 0) continue;
            con().write("(/1x,'more <ret>, read to end <e>, return to main program <m> ',$)");
            answer = first_letter(con().answer());
            if (answer == 'm') {
                file.rewind();
                con().write("(/1x,'end-of-snoop: ', i5,' lines read')", lines);
                return;
            }
            if (answer != 'e') {
                answer = ' ';
                ruler();
            }
        }
        if (answer == 'e') {
            for (int k = 0; k < 5; ++k) file.backspace();
            con().write("(/1x,'last 5 lines in file (first 80 characters):')");
            ruler();
            for (int k = lines - 4; k <= lines; ++k) {
                auto raw = file.read_line();
                show(k, raw ? *raw : std::string());
            }
        }
        file.rewind();
        con().write("(/1x,'end-of-snoop: ', i5,' lines read'/)", lines);
        con().write("(1x,'more <ret> or return to main program <m> ',$)");
        if (first_letter(con().answer()) == 'm') return;
    }
}

}  // namespace kov

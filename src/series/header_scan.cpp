#include "series/header_scan.hpp"

#include "series/fixed_text.hpp"
#include "shared/console.hpp"

namespace kov {

std::optional<std::vector<FVal>> scan_header(TextIn& in, std::string_view layout, std::string& title,
                                             std::string& line,
                                             const std::function<void(int, const std::string&)>& unreadable_line,
                                             bool by_columns) {
    title = std::string(80, ' ');
    int unreadable = 0;
    for (;;) {
        auto raw = next_nonblank(in);
        if (!raw) return std::nullopt;
        line = padded(*raw, 80);
        try {
            auto head = read_values(layout, by_columns ? padded(column_text(*raw), 80) : line);
            if (head.size() >= 3) return head;
        } catch (const ReadError&) {
        }
        ++unreadable;
        if (unreadable == 1) {
            con().write("(/1x,'title of data:'/1x,a)", line);
            title = line;
        } else {
            unreadable_line(unreadable, line);
        }
    }
}

}  // namespace kov

#include "shared/text_helpers.hpp"

#include <algorithm>

namespace kov {

void blnkfil(std::string& str) { std::fill(str.begin(), str.end(), ' '); }

void ansfmt(std::string& ans, std::string& fmt) {
    const size_t n = ans.size();
    size_t k = 0;
    while (k < n && ans[k] == ' ') ++k;
    if (k == n) k = 0;  // an all-blank answer is left as it is
    const size_t c = static_cast<size_t>(std::count_if(ans.begin(), ans.end(), [](char ch) { return ch != ' '; }));
    if (k >= 1) {
        // Only c characters move: text after an embedded blank is dropped, as
        // the reader then takes c columns only.
        for (size_t i = 0; i < c; ++i) ans[i] = ans[i + k];
        for (size_t i = c; i < n; ++i) ans[i] = ' ';
    }
    fmt.assign(20, ' ');
    fmt.replace(0, 2, "(i");
    if (c < 10) {
        fmt[2] = static_cast<char>('0' + c);
        fmt[3] = ')';
    } else if (c < 100) {
        fmt[2] = static_cast<char>('0' + c / 10);
        fmt[3] = static_cast<char>('0' + c % 10);
        fmt[4] = ')';
    } else {  // two columns cannot hold the count
        fmt.replace(2, 3, "**)");
    }
}

void strpos(std::string_view str, int& ipos, int mode) {
    const int n = static_cast<int>(str.size());
    if (n == 0) return;
    if (mode != 2 && mode != 3) {
        for (int i = 1; i <= n; ++i) {
            if (str[i - 1] == ' ') {
                ipos = i - 1;
                return;
            }
        }
    }
    if (mode != 3) {
        for (int i = n; i >= 1; --i) {
            if (str[i - 1] != ' ') {
                ipos = i;
                return;
            }
        }
    }
    for (int i = 1; i <= n; ++i) {
        if (str[i - 1] == ' ' || str[i - 1] == '.') {
            ipos = i - 1;
            return;
        }
    }
}

void ifmt(int ival, std::string& fmt) {
    fmt.assign(20, ' ');
    int w = 0;
    if (ival >= 0) {
        if (ival <= 9) w = 1;
        else if (ival <= 99) w = 2;
        else if (ival <= 999) w = 3;
        else if (ival <= 9999) w = 4;
        else if (ival <= 99999) w = 5;
        else if (ival <= 999999) w = 6;
    } else {
        if (ival >= -9) w = 2;
        else if (ival >= -99) w = 3;
        else if (ival >= -999) w = 4;
        else if (ival >= -9999) w = 5;
        else if (ival >= -99999) w = 6;
        else if (ival >= -999999) w = 7;
    }
    if (w == 0) return;
    fmt.replace(0, 4, std::string("(i") + static_cast<char>('0' + w) + ")");
}

void ljust(std::string& str) {
    const size_t i = str.find_first_not_of(' ');
    if (i == std::string::npos || i == 0) return;
    const size_t n = str.size();
    std::move(str.begin() + static_cast<long>(i), str.end(), str.begin());
    std::fill(str.begin() + static_cast<long>(n - i), str.end(), ' ');
}

void nospace(std::string& str, int n) {
    if (n <= 1) return;
    const size_t m = std::min(static_cast<size_t>(n), str.size());
    // The passes of shifting end with the non-blanks in their order followed by
    // blanks; build that directly (one pass instead of up to n of them).
    size_t out = 0;
    for (size_t i = 0; i < m; ++i)
        if (str[i] != ' ') str[out++] = str[i];
    for (size_t i = out; i < m; ++i) str[i] = ' ';
}

std::string padded(std::string_view text, size_t n) {
    std::string s(text.substr(0, std::min(n, text.size())));
    s.resize(n, ' ');
    return s;
}

std::string rtrim(std::string_view text) {
    const size_t e = text.find_last_not_of(' ');
    return e == std::string_view::npos ? std::string() : std::string(text.substr(0, e + 1));
}

bool blank_start(std::string_view text, size_t n) {
    for (size_t i = 0; i < n && i < text.size(); ++i)
        if (text[i] != ' ') return false;
    return true;
}

char first_char(std::string_view text) { return text.empty() ? ' ' : text[0]; }

size_t utf8_char_length(std::string_view s, size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) return 1;
    size_t n = 0;
    unsigned cp = 0, least = 0;
    if ((c & 0xE0) == 0xC0) {
        n = 2, cp = c & 0x1Fu, least = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3, cp = c & 0x0Fu, least = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4, cp = c & 0x07u, least = 0x10000;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        const auto d = static_cast<unsigned char>(s[i + k]);
        if ((d & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (d & 0x3Fu);
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

bool multibyte_utf8(std::string_view s) {
    bool multi = false;
    for (size_t i = 0; i < s.size();) {
        if (static_cast<unsigned char>(s[i]) < 0x80) {
            ++i;
            continue;
        }
        const size_t n = utf8_char_length(s, i);
        if (n == 0) return false;
        multi = true;
        i += n;
    }
    return multi;
}

size_t column_count(std::string_view s) {
    if (!multibyte_utf8(s)) return s.size();
    size_t cols = 0;
    for (size_t i = 0; i < s.size(); i += utf8_char_length(s, i)) ++cols;
    return cols;
}

size_t column_byte(std::string_view s, size_t col) {
    if (!multibyte_utf8(s)) return std::min(col, s.size());
    size_t i = 0;
    for (size_t c = 0; c < col && i < s.size(); ++c) i += utf8_char_length(s, i);
    return i;
}

std::string column_slice(std::string_view s, size_t from, size_t n) {
    const size_t a = column_byte(s, from);
    const size_t b = a + column_byte(s.substr(a), n);
    return std::string(s.substr(a, b - a));
}

std::string in_columns(std::string_view s, size_t n) {
    if (!multibyte_utf8(s)) return padded(s, n);
    size_t i = 0, cols = 0;
    for (; i < s.size() && cols < n; ++cols) i += utf8_char_length(s, i);
    std::string out(s.substr(0, i));
    out.append(n - cols, ' ');
    return out;
}

std::string column_text(std::string_view s) {
    if (!multibyte_utf8(s)) return std::string(s);
    std::string cols;
    for (size_t i = 0; i < s.size(); i += utf8_char_length(s, i))
        cols += utf8_char_length(s, i) > 1 ? '?' : s[i];
    return cols;
}

}  // namespace kov

#include "shared/layout.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <unordered_map>

#include "shared/capacities.hpp"
#include "shared/text_helpers.hpp"

namespace kov {

namespace {

// ---------------------------------------------------------------------------
// The parsed form of a layout: a flat list of items in which a group is an
// Open item (carrying the repeat count and the index of its Close) and a Close.

enum class Op : std::uint8_t {
    Int,     // iW[.m]
    Real,    // fW.d
    RealIn,  // eW.d, dW.d, gW.d: input only
    Alpha,   // aW, or a (w = 0)
    Text,    // quoted text
    Skip,    // nX, trN: move right
    Back,    // tlN: move left
    Tab,     // tN: move to column N
    Slash,   // end the record
    Dollar,  // no end of line after the last record
    Colon,   // stop when no value remains
    Open,
    Close,
};

struct Item {
    Op op = Op::Int;
    int repeat = 1;  // data items, '/' and groups
    int w = 0;
    int d = 0;
    int m = -1;       // iW.m: minimum digits
    int partner = 0;  // Open: index of its Close; Close: index of its Open
    std::uint32_t text_at = 0, text_len = 0;  // Text: slice of Parsed::texts
};

struct Parsed {
    std::vector<Item> items;
    std::string texts;
    std::size_t reversion = 0;      // where the layout starts again
    bool data_after_reversion = false;
};

// Limits that keep every field inside the formatting buffers; real layouts
// stay far below them.
constexpr int max_width = 1000;
constexpr int max_count = 1000000;
constexpr int max_depth = 32;

class Parser {
public:
    explicit Parser(std::string_view src) : s_(src) {}

    Parsed parse() {
        skip_blanks();
        if (!eat('(')) fail("a layout starts with '('");
        list(0);
        if (!eat(')')) fail("unbalanced parentheses");
        skip_blanks();
        if (i_ != s_.size()) fail("text after the closing ')'");
        finish();
        return std::move(p_);
    }

private:
    [[noreturn]] void fail(const char* why) const {
        throw LayoutError("layout " + std::string(s_) + ": " + why);
    }
    void skip_blanks() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t')) ++i_;
    }
    int peek() {
        skip_blanks();
        return i_ < s_.size() ? lower(s_[i_]) : -1;
    }
    static int lower(char c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c; }
    bool eat(char c) {
        if (peek() == c) {
            ++i_;
            return true;
        }
        return false;
    }
    static bool is_digit(int c) { return c >= '0' && c <= '9'; }
    // An unsigned number, or -1 when none stands here.
    int number() {
        if (!is_digit(peek())) return -1;
        long v = 0;
        while (is_digit(peek())) {
            v = v * 10 + (s_[i_++] - '0');
            if (v > max_count) fail("number too large");
        }
        return static_cast<int>(v);
    }
    int width() {
        int w = number();
        if (w < 1) fail("a field needs a width of 1 or more");
        if (w > max_width) fail("field too wide");
        return w;
    }
    int decimals() {
        if (!eat('.')) fail("a real field needs .d");
        int d = number();
        if (d < 0) fail("a real field needs .d");
        if (d > max_width) fail("too many decimals");
        return d;
    }

    void list(int depth) {
        for (;;) {
            int c = peek();
            if (c == ')' || c == -1) return;
            if (c == ',') {
                ++i_;
                continue;
            }
            item(depth);
        }
    }

    void item(int depth) {
        int count = number();
        if (count == 0) fail("a repeat count must be 1 or more");
        int c = peek();
        if (c == -1) fail("unexpected end");
        Item it;
        it.repeat = count < 0 ? 1 : count;
        if (c == '(') {
            ++i_;
            if (depth + 1 >= max_depth) fail("groups nested too deep");
            std::size_t open = p_.items.size();
            it.op = Op::Open;
            p_.items.push_back(it);
            list(depth + 1);
            if (!eat(')')) fail("unbalanced parentheses");
            Item close;
            close.op = Op::Close;
            close.partner = static_cast<int>(open);
            p_.items[open].partner = static_cast<int>(p_.items.size());
            p_.items.push_back(close);
            if (depth == 0) last_top_group_ = open;
            return;
        }
        if (c == '\'' || c == '"') {
            if (count >= 0) fail("a repeat count before quoted text");
            quoted(static_cast<char>(c));
            return;
        }
        ++i_;
        switch (c) {
        case 'i':
            it.op = Op::Int;
            it.w = width();
            if (eat('.')) {
                it.m = number();
                if (it.m < 0 || it.m > max_width) fail("iW.m needs m");
            }
            break;
        case 'f':
            it.op = Op::Real;
            it.w = width();
            it.d = decimals();
            break;
        case 'e':
        case 'd':
        case 'g':
            if (c == 'e' && (peek() == 's' || peek() == 'n')) ++i_;
            it.op = Op::RealIn;
            it.w = width();
            it.d = decimals();
            if (c != 'd' && peek() == 'e') {  // eW.dEe: exponent digits
                ++i_;
                if (number() < 0) fail("eW.dEe needs e");
            }
            break;
        case 'a':
            it.op = Op::Alpha;
            if (is_digit(peek())) it.w = width();
            break;
        case 'x':
            // nX is one move of n columns, not n items
            it.op = Op::Skip;
            it.w = it.repeat;
            it.repeat = 1;
            break;
        case 't':
            if (count >= 0) fail("a repeat count before t");
            if (peek() == 'l') {
                ++i_;
                it.op = Op::Back;
            } else if (peek() == 'r') {
                ++i_;
                it.op = Op::Skip;
            } else {
                it.op = Op::Tab;
            }
            it.w = number();
            if (it.w < 1) fail("t needs a column of 1 or more");
            break;
        case '/':
            it.op = Op::Slash;
            break;
        case '$':
        case '\\':
            if (count >= 0) fail("a repeat count before $");
            it.op = Op::Dollar;
            break;
        case ':':
            if (count >= 0) fail("a repeat count before :");
            it.op = Op::Colon;
            break;
        default:
            fail("unknown item");
        }
        p_.items.push_back(it);
    }

    void quoted(char q) {
        ++i_;
        Item it;
        it.op = Op::Text;
        it.text_at = static_cast<std::uint32_t>(p_.texts.size());
        for (;;) {
            if (i_ >= s_.size()) fail("unterminated quoted text");
            char ch = s_[i_++];
            if (ch == q) {
                if (i_ < s_.size() && s_[i_] == q) {
                    p_.texts.push_back(q);  // doubled: one quote character
                    ++i_;
                    continue;
                }
                break;
            }
            p_.texts.push_back(ch);
        }
        it.text_len = static_cast<std::uint32_t>(p_.texts.size() - it.text_at);
        p_.items.push_back(it);
    }

    void finish() {
        p_.reversion = last_top_group_;
        for (std::size_t k = p_.reversion; k < p_.items.size(); ++k) {
            Op op = p_.items[k].op;
            if (op == Op::Int || op == Op::Real || op == Op::RealIn || op == Op::Alpha)
                p_.data_after_reversion = true;
        }
    }

    std::string_view s_;
    std::size_t i_ = 0;
    std::size_t last_top_group_ = 0;
    Parsed p_;
};

// The cache of parsed layouts. Listings quote the same few hundred layouts
// millions of times; the program is single-threaded, and a thread-local map
// keeps a test that formats from several threads safe all the same.
struct SvHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const noexcept {
        return std::hash<std::string_view>{}(s);
    }
};

const Parsed& parsed(std::string_view layout) {
    thread_local std::unordered_map<std::string, std::unique_ptr<Parsed>, SvHash, std::equal_to<>>
        cache;
    auto it = cache.find(layout);
    if (it != cache.end()) return *it->second;
    // Layouts read from data files or typed by the user could grow the cache
    // without end in a long run; a bound keeps it small.
    if (cache.size() >= 4096) cache.clear();
    auto p = std::make_unique<Parsed>(Parser(layout).parse());
    return *cache.emplace(std::string(layout), std::move(p)).first->second;
}

// ---------------------------------------------------------------------------
// Walking a layout. The sink decides what a data item, a move and a record end
// mean; the walk holds the rules that Fortran gives the format control: stop
// at a data item (or ':') when no value remains, start again at the reversion
// point when the layout ends and values remain.

template <class Sink>
void walk(const Parsed& p, Sink& sink) {
    struct Frame {
        std::size_t open;
        int left;
    };
    std::array<Frame, max_depth> frames;
    int depth = 0;
    const std::size_t n = p.items.size();
    std::size_t pc = 0;
    for (;;) {
        sink.tick();
        if (pc == n) {
            if (!sink.more()) return;
            if (!p.data_after_reversion) {
                sink.no_item_for_values();
                return;
            }
            if (!sink.revert()) return;
            pc = p.reversion;
            continue;
        }
        const Item& it = p.items[pc];
        switch (it.op) {
        case Op::Open:
            frames[depth++] = {pc, it.repeat};
            ++pc;
            break;
        case Op::Close: {
            Frame& f = frames[depth - 1];
            if (--f.left > 0) {
                pc = f.open + 1;
            } else {
                --depth;
                ++pc;
            }
            break;
        }
        case Op::Int:
        case Op::Real:
        case Op::RealIn:
        case Op::Alpha:
            for (int r = 0; r < it.repeat; ++r) {
                if (!sink.more()) return;
                sink.data(it);
            }
            ++pc;
            break;
        case Op::Text:
            sink.text(std::string_view(p.texts).substr(it.text_at, it.text_len));
            ++pc;
            break;
        case Op::Skip:
            sink.move_by(it.w);
            ++pc;
            break;
        case Op::Back:
            sink.move_by(-it.w);
            ++pc;
            break;
        case Op::Tab:
            sink.move_to(it.w - 1);
            ++pc;
            break;
        case Op::Slash:
            for (int r = 0; r < it.repeat; ++r) sink.slash();
            ++pc;
            break;
        case Op::Dollar:
            sink.dollar();
            ++pc;
            break;
        case Op::Colon:
            if (!sink.more()) return;
            ++pc;
            break;
        }
    }
}

// ---------------------------------------------------------------------------
// Writing

constexpr std::array<double, 23> pow10_table = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

constexpr std::array<std::uint64_t, 20> pow10_u64 = {
    1ULL,
    10ULL,
    100ULL,
    1000ULL,
    10000ULL,
    100000ULL,
    1000000ULL,
    10000000ULL,
    100000000ULL,
    1000000000ULL,
    10000000000ULL,
    100000000000ULL,
    1000000000000ULL,
    10000000000000ULL,
    100000000000000ULL,
    1000000000000000ULL,
    10000000000000000ULL,
    100000000000000000ULL,
    1000000000000000000ULL,
    10000000000000000000ULL};

// round(a * 10^d) from the exact binary value of a, ties to even, when it
// stays below 10^19; false otherwise. Listings write tens of millions of
// values, and this is several times faster than the general conversion.
bool scaled_digits(double a, int d, std::uint64_t& n) {
    if (d > 19 || !(a * pow10_table[d] < 1e19)) return false;
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(a);
    const int biased = static_cast<int>(bits >> 52);
    std::uint64_t m = bits & ((1ULL << 52) - 1);
    int e;
    if (biased == 0) {
        e = -1074;
    } else {
        m |= 1ULL << 52;
        e = biased - 1075;
    }
    using u128 = unsigned __int128;
    const u128 p = static_cast<u128>(m) * pow10_u64[d];  // below 2^117
    if (e >= 0) {
        n = static_cast<std::uint64_t>(p << e);
        return true;
    }
    const int s = -e;
    if (s >= 128) {  // a * 10^d < 2^-10: rounds to 0
        n = 0;
        return true;
    }
    u128 q = p >> s;
    const u128 r = p - (q << s);
    const u128 half = static_cast<u128>(1) << (s - 1);
    if (r > half || (r == half && (q & 1))) ++q;
    n = static_cast<std::uint64_t>(q);
    return true;
}

// a (not negative, finite) with d decimals: "III.FFF", or "III" when d is 0.
int fixed_digits(double a, int d, char* buf, std::size_t size) {
    std::uint64_t n;
    if (!scaled_digits(a, d, n))
        return static_cast<int>(std::to_chars(buf, buf + size, a, std::chars_format::fixed, d).ptr - buf);
    // digits from the right; at least d + 1 of them, so that a value below 1
    // gets its "0" before the point
    char rev[24];
    int k = 0;
    do {
        rev[k++] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n != 0);
    while (k < d + 1) rev[k++] = '0';
    int len = 0;
    for (int j = k - 1; j >= d; --j) buf[len++] = rev[j];
    if (d > 0) {
        buf[len++] = '.';
        for (int j = d - 1; j >= 0; --j) buf[len++] = rev[j];
    }
    return len;
}

using detail::ArgRun;
using detail::ValueView;

class Writer {
public:
    explicit Writer(std::span<const ArgRun> runs) : runs_(runs) {
        std::size_t n = 0;
        for (const ArgRun& r : runs) n += r.n;
        out_.reserve(64 + n * 10);
    }

    void tick() {}
    bool more() {
        while (run_ < runs_.size() && next_ >= runs_[run_].n) {
            ++run_;
            next_ = 0;
        }
        return run_ < runs_.size();
    }
    void no_item_for_values() {
        assert(!"layout has no data item for the values left");
    }
    bool revert() {
        if (!dollar_) end_record();
        return true;
    }
    void data(const Item& it) {
        ValueView v;
        runs_[run_].get(runs_[run_].p, next_++, v);
        if (v.shown == Shown::nothing && it.op != Op::RealIn) {
            // passed over as nX would be: blank when something follows it
            move_by(it.op == Op::Alpha && it.w == 0 ? 0 : it.w);
            return;
        }
        switch (it.op) {
        case Op::Int: write_int(v, it); break;
        case Op::Real: write_real(v, it); break;
        case Op::Alpha: write_text(v, it); break;
        default: throw LayoutError("eW.d, dW.d and gW.d are for input only");
        }
    }
    void text(std::string_view t) { put(t.data(), t.size()); }
    void move_by(int n) { pos_ = (n < 0 && static_cast<std::size_t>(-n) > pos_) ? 0 : pos_ + n; }
    void move_to(int col) { pos_ = static_cast<std::size_t>(col) + wide_; }
    void slash() { end_record(); }
    void dollar() { dollar_ = true; }

    std::string finish() {
        if (!dollar_) out_.push_back('\n');
        return std::move(out_);
    }

private:
    void end_record() {
        out_.push_back('\n');
        rec_ = out_.size();
        pos_ = 0;
        wide_ = 0;
    }
    // Writes at the current column: columns skipped since the end of the record
    // become blanks; columns already written are overwritten.
    void put(const char* s, std::size_t n) { std::memcpy(field(n), s, n); }
    // The w columns of a field at the current column, for the caller to fill
    // whole; the cursor moves past them.
    char* field(std::size_t w) {
        const std::size_t at = rec_ + pos_;
        if (at + w > out_.size()) out_.resize(at + w, ' ');
        pos_ += w;
        return &out_[at];
    }
    void stars(int w) { std::memset(field(w), '*', w); }
    // `len` characters right-justified in a field of w.
    void right(int w, const char* s, int len) {
        char* f = field(w);
        std::memset(f, ' ', w - len);
        std::memcpy(f + (w - len), s, len);
    }

    void write_int(const ValueView& v, const Item& it) {
        long long x = v.i;
        if (v.kind != FVal::Int) {
            assert(v.kind == FVal::Int && "an iN item needs an integer value");
            if (v.kind == FVal::Text || !std::isfinite(v.r) || std::fabs(v.r) >= 9.2e18) {
                stars(it.w);
                return;
            }
            x = std::llround(v.r);
        }
        const bool neg = x < 0;
        unsigned long long u = neg ? 0ULL - static_cast<unsigned long long>(x)
                                   : static_cast<unsigned long long>(x);
        char digits[24];
        int nd = 0;
        if (!(u == 0 && it.m == 0)) nd = static_cast<int>(std::to_chars(digits, digits + 24, u).ptr - digits);
        const int zeros = it.m > nd ? it.m - nd : 0;
        const int need = (neg ? 1 : 0) + zeros + nd;
        if (need > it.w) {
            stars(it.w);
            return;
        }
        char* f = field(it.w);
        char* p = f + (it.w - need);
        std::memset(f, ' ', p - f);
        if (neg) *p++ = '-';
        std::memset(p, '0', zeros);
        std::memcpy(p + zeros, digits, nd);
    }

    void write_real(const ValueView& v, const Item& it) {
        double x = v.r;
        if (v.kind != FVal::Real) {
            assert(v.kind == FVal::Real && "an fW.d item needs a real value");
            if (v.kind == FVal::Text) {
                stars(it.w);
                return;
            }
            x = static_cast<double>(v.i);
        }
        const int w = it.w, d = it.d;
        const bool statistic = v.shown == Shown::statistic;
        if (statistic && x == static_cast<double>(undef_stat)) {
            write_undefined(w, d);
            return;
        }
        bool neg = std::signbit(x);
        if (std::isnan(x)) {
            if (w < 3) stars(w); else right(w, "NaN", 3);
            return;
        }
        if (std::isinf(x)) {
            const int sign = neg ? 1 : 0;
            if (w >= 8 + sign) right(w, neg ? "-Infinity" : "Infinity", 8 + sign);
            else if (w >= 3 + sign) right(w, neg ? "-Inf" : "Inf", 3 + sign);
            else stars(w);
            return;
        }
        const double a = std::fabs(x);
        // An integer part of more than w digits cannot fit: no need to format it.
        if (w <= 22 ? a >= pow10_table[w] : (w < 309 && a >= std::pow(10.0, w))) {
            stars(w);
            return;
        }
        // The digits, exactly rounded from the binary value, ties to even:
        // "III.FFF", or "III" when d is 0.
        char buf[2 * max_width + 340];
        int len = fixed_digits(a, d, buf, sizeof buf);
        // a statistic that rounds to zero is shown without its sign
        if (neg && statistic && std::all_of(buf, buf + len, [](char c) { return c == '0' || c == '.'; }))
            neg = false;
        const int int_len = d == 0 ? len : len - d - 1;
        const bool zero_int = int_len == 1 && buf[0] == '0';
        int need = (neg ? 1 : 0) + len + (d == 0 ? 1 : 0);
        const char* body = buf;
        // The leading zero of a value below 1 gives way when the field is too
        // narrow, but a value with no decimals keeps it ("0.").
        if (need > w && zero_int && d > 0) {
            ++body;
            --len;
            --need;
        }
        if (need > w) {
            stars(w);
            return;
        }
        char* f = field(w);
        char* p = f + (w - need);
        std::memset(f, ' ', p - f);
        if (neg) *p++ = '-';
        std::memcpy(p, body, len);
        if (d == 0) p[len] = '.';
    }

    // The undefined marker in a field of w with d decimals: "-99." and its d
    // decimals where they fit; otherwise as many decimals as leave a blank
    // before the marker, down to "-99" alone.
    void write_undefined(int w, int d) {
        auto form = [](int k) { return k < 0 ? std::string("-99") : "-99." + std::string(k, '0'); };
        std::string m = form(d);
        if (static_cast<int>(m.size()) > w) {
            for (int k = d - 1; k >= -1; --k) {
                m = form(k);
                if (static_cast<int>(m.size()) < w) break;
            }
        }
        if (static_cast<int>(m.size()) > w) {
            stars(w);
            return;
        }
        right(w, m.data(), static_cast<int>(m.size()));
    }

    void write_text(const ValueView& v, const Item& it) {
        if (v.kind != FVal::Text) {
            assert(v.kind == FVal::Text && "an aN item needs a text value");
            stars(it.w > 0 ? it.w : 1);
            return;
        }
        const std::string_view s = v.s;
        if (it.w > 0 && multibyte_utf8(s)) {
            write_characters(s, it.w);
        } else if (it.w == 0) {
            put(s.data(), s.size());
        } else if (s.size() >= static_cast<std::size_t>(it.w)) {
            put(s.data(), it.w);  // the leftmost w characters
        } else {
            right(it.w, s.data(), static_cast<int>(s.size()));
        }
    }

    // A text of UTF-8 characters of several bytes fills its w columns by
    // characters, so that the columns after it line up with those of rows of
    // one-byte characters: a text at least w bytes long (an identifier kept
    // in 8 columns) shows its first w characters, padded with blanks when it
    // has fewer; a shorter one is right-justified. The bytes beyond the
    // columns are counted, so that a later tN goes to column N of the line.
    void write_characters(std::string_view s, int w) {
        const std::size_t cols = static_cast<std::size_t>(w);
        if (s.size() >= cols) {
            const std::size_t bytes = column_byte(s, cols);
            const std::size_t taken = column_count(s.substr(0, bytes));
            put(s.data(), bytes);
            if (taken < cols) std::memset(field(cols - taken), ' ', cols - taken);
            wide_ += bytes - taken;
        } else {
            const std::size_t taken = column_count(s);
            std::memset(field(cols - taken), ' ', cols - taken);
            put(s.data(), s.size());
            wide_ += s.size() - taken;
        }
    }

    std::span<const ArgRun> runs_;
    std::size_t run_ = 0;   // the run of the next value
    std::size_t next_ = 0;  // its index in the run
    std::string out_;
    std::size_t rec_ = 0;  // start of the current record in out_
    std::size_t pos_ = 0;  // byte of the current record, from 0
    std::size_t wide_ = 0;  // bytes beyond one per column written in the record so far
    bool dollar_ = false;
};

// ---------------------------------------------------------------------------
// Reading numbers

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A decimal number: value = digits * 10^exp10, where digits are its
// significant digits read as one integer.
struct Decimal {
    bool neg = false;
    std::uint64_t mant = 0;  // the digits while there are at most 19
    int mant_digits = 0;
    std::string long_digits;  // every digit, once there are more than 19
    long exp10 = 0;
};

double to_double(const Decimal& dec) {
    if (dec.mant == 0 && dec.long_digits.empty()) return dec.neg ? -0.0 : 0.0;
    double v;
    const long e = dec.exp10;
    if (dec.long_digits.empty() && dec.mant < (1ULL << 53) && e >= -22 && e <= 22) {
        // Exact digits and an exact power of ten: one correctly rounded step.
        v = static_cast<double>(dec.mant);
        v = e >= 0 ? v * pow10_table[e] : v / pow10_table[-e];
    } else {
        std::string text = dec.long_digits.empty() ? std::to_string(dec.mant) : dec.long_digits;
        const long magnitude = static_cast<long>(text.size()) + e;
        text += 'e';
        text += std::to_string(e);
        auto r = std::from_chars(text.data(), text.data() + text.size(), v);
        if (r.ec == std::errc::result_out_of_range) {
            if (magnitude > 0) throw ReadError("number out of range");
            v = 0.0;  // below the smallest real: it reads as zero
        }
    }
    if (std::isinf(static_cast<float>(v))) throw ReadError("number out of range");
    return dec.neg ? -v : v;
}

// Parses [sign] digits [. digits] [exponent] from s (no blanks). implied_d:
// decimals assumed when there is no point. need_digit: the mantissa must hold
// a digit (free form); in a field an empty mantissa ("-", ".") is 0, as the
// Fortran runtime takes it.
double parse_real(std::string_view s, int implied_d, bool need_digit) {
    Decimal dec;
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) dec.neg = s[i++] == '-';
    bool any_digit = false, point = false;
    long frac_digits = 0;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (is_digit(c)) {
            any_digit = true;
            if (point) ++frac_digits;
            if (dec.mant == 0 && dec.long_digits.empty() && c == '0') continue;  // leading zero
            if (dec.mant_digits < 19) {
                dec.mant = dec.mant * 10 + static_cast<unsigned>(c - '0');
                ++dec.mant_digits;
            } else {
                if (dec.long_digits.empty()) dec.long_digits = std::to_string(dec.mant);
                dec.long_digits.push_back(c);
            }
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    long exp = 0;
    if (i < s.size()) {
        const char c = s[i];
        const bool letter = c == 'e' || c == 'E' || c == 'd' || c == 'D' || c == 'q' || c == 'Q';
        if (!letter && c != '+' && c != '-') throw ReadError("bad character in a number");
        if (letter) ++i;
        bool eneg = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) eneg = s[i++] == '-';
        if (i == s.size()) throw ReadError("exponent without digits");
        for (; i < s.size(); ++i) {
            if (!is_digit(s[i])) throw ReadError("bad character in an exponent");
            if (exp < 100000) exp = exp * 10 + (s[i] - '0');
        }
        if (eneg) exp = -exp;
    }
    if (!any_digit) {
        if (need_digit) throw ReadError("no digits");
        return 0.0;
    }
    dec.exp10 = exp - (point ? frac_digits : implied_d);
    return to_double(dec);
}

long long parse_int(std::string_view s) {
    std::size_t i = 0;
    bool neg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
    if (i == s.size()) throw ReadError("no digits");
    long long v = 0;
    constexpr long long limit = 1LL << 31;
    for (; i < s.size(); ++i) {
        if (!is_digit(s[i])) throw ReadError("bad character in an integer");
        v = v * 10 + (s[i] - '0');
        if (v > limit) throw ReadError("integer out of range");
    }
    if (neg) v = -v;
    if (v > std::numeric_limits<std::int32_t>::max() || v < std::numeric_limits<std::int32_t>::min())
        throw ReadError("integer out of range");
    return v;
}

// The characters of a numeric field with its blanks dropped.
std::string_view squeeze(std::string_view field, char* buf) {
    std::size_t n = 0;
    for (char c : field)
        if (c != ' ') buf[n++] = c;
    return {buf, n};
}

// ---------------------------------------------------------------------------
// Reading by a layout

class Reader {
public:
    Reader(std::string_view line, int count,
           const std::function<std::optional<std::string>()>* next_line)
        : line_(line), count_(count), next_line_(next_line) {
        if (count > 0) out_.reserve(static_cast<std::size_t>(count));
        budget_ = 1000000 + 64 * static_cast<long long>(count > 0 ? count : 0);
    }

    // An input layout may come from a data file or from the user: one like
    // "(999999(999999(1x)),i5)" must end in an error, not in hours of work.
    void tick() {
        if (++steps_ > budget_) throw ReadError("layout takes too many steps to read");
    }

    bool more() const { return count_ < 0 || out_.size() < static_cast<std::size_t>(count_); }
    void no_item_for_values() {}
    bool revert() {
        if (count_ < 0) return false;  // the items once
        if (next_line_) next_record();
        return true;
    }
    void data(const Item& it) {
        tick();
        if (it.op == Op::Alpha) {
            std::size_t w = it.w > 0 ? static_cast<std::size_t>(it.w)
                                     : (pos_ < line_.size() ? line_.size() - pos_ : 0);
            FVal v{std::string(field(w))};
            v.s.resize(w, ' ');
            out_.push_back(std::move(v));
            pos_ += w;
            return;
        }
        std::string_view f = field(static_cast<std::size_t>(it.w));
        pos_ += static_cast<std::size_t>(it.w);
        char buf[max_width];
        std::string_view s = squeeze(f, buf);
        if (it.op == Op::Int) {
            out_.emplace_back(s.empty() ? 0LL : parse_int(s));
        } else {
            out_.emplace_back(s.empty() ? 0.0 : parse_real(s, it.d, false));
        }
        out_.back().blank = s.empty();
    }
    void text(std::string_view) { throw ReadError("quoted text in an input layout"); }
    void move_by(int n) { pos_ = (n < 0 && static_cast<std::size_t>(-n) > pos_) ? 0 : pos_ + n; }
    void move_to(int col) { pos_ = static_cast<std::size_t>(col); }
    void slash() {
        if (next_line_) {
            next_record();
        } else {
            line_ = {};
            pos_ = 0;
        }
    }
    void dollar() {}

    std::vector<FVal> take() { return std::move(out_); }

    void first_record() { next_record(); }

private:
    // The columns of a field; past the end of the line they read as blanks,
    // which the callers treat as such (an empty numeric field is 0).
    std::string_view field(std::size_t w) const {
        if (pos_ >= line_.size()) return {};
        return line_.substr(pos_, w);
    }
    void next_record() {
        std::optional<std::string> l = (*next_line_)();
        if (!l) throw EndOfData("end of data inside a read");
        held_ = std::move(*l);
        line_ = held_;
        pos_ = 0;
    }

    std::string_view line_;
    std::string held_;
    std::size_t pos_ = 0;
    int count_;
    const std::function<std::optional<std::string>()>* next_line_;
    std::vector<FVal> out_;
    long long steps_ = 0;
    long long budget_ = 0;
};

const Parsed& parsed_for_input(std::string_view layout) {
    try {
        return parsed(layout);
    } catch (const LayoutError& e) {
        throw ReadError(e.what());
    }
}

std::string_view trim_blanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

}  // namespace

std::string format_runs(std::string_view layout, std::span<const detail::ArgRun> runs) {
    const Parsed& p = parsed(layout);
    Writer w(runs);
    walk(p, w);
    return w.finish();
}

std::string format_values(std::string_view layout, const std::vector<FVal>& values) {
    const detail::ArgRun run{values.data(), values.size(), &detail::get_value<FVal>};
    return format_runs(layout, std::span<const detail::ArgRun>(&run, 1));
}

std::vector<FVal> read_values(std::string_view layout, std::string_view line, int count) {
    const Parsed& p = parsed_for_input(layout);
    Reader r(line, count, nullptr);
    walk(p, r);
    return r.take();
}

std::vector<FVal> read_records(std::string_view layout,
                               const std::function<std::optional<std::string>()>& next_line,
                               int count) {
    const Parsed& p = parsed_for_input(layout);
    Reader r({}, count, &next_line);
    r.first_record();
    walk(p, r);
    return r.take();
}

std::vector<std::string> free_fields(std::string_view line) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == ',') {
            ++i;
            continue;
        }
        if (c == '/') break;
        std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != ',' &&
               line[i] != '/')
            ++i;
        out.emplace_back(line.substr(start, i - start));
    }
    return out;
}

namespace {

// The columns that value v takes, shown as `shown` says, in an fW.d field
// wide enough for it: its sign, digits, point and d decimals.
int shown_width(double v, Shown shown, int d) {
    FVal value{v};
    value.shown = shown;
    const std::string t = format_values("(f40." + std::to_string(d) + ")", {value});
    return static_cast<int>(t.size() - t.find_first_not_of(' ') - (t.back() == '\n' ? 1 : 0));
}

// The descriptor of one value in a field of w with d decimals: the fewest
// decimals dropped that leave a blank before the value, a wider field only
// when no decimals are left.
std::string fitted_descriptor(double v, Shown shown, int w, int d) {
    for (int k = d; k >= 0; --k)
        if (shown_width(v, shown, k) < w) return "f" + std::to_string(w) + "." + std::to_string(k);
    return "f" + std::to_string(shown_width(v, shown, 0) + 1) + ".0";
}

template <class T>
std::string fitted_list(std::span<const T> v, Shown shown, int w, int d) {
    std::string out;
    for (const T& x : v) {
        if (!out.empty()) out += ',';
        if constexpr (std::is_same_v<T, Statistic>)
            out += fitted_descriptor(x.v, shown, w, d);
        else
            out += fitted_descriptor(x, shown, w, d);
    }
    return out;
}

}  // namespace

int fixed_width(double v, int d) { return shown_width(v, Shown::as_is, d); }

std::string fitted_reals(std::span<const float> v, int w, int d) { return fitted_list(v, Shown::as_is, w, d); }

std::string fitted_reals(std::span<const float> v, std::span<const int> widths, int d) {
    assert(widths.size() == v.size());
    std::string out;
    for (size_t k = 0; k < v.size(); ++k) out += (k ? "," : "") + fitted_descriptor(v[k], Shown::as_is, widths[k], d);
    return out;
}

std::string fitted_real(float v, int w, int d) { return fitted_descriptor(v, Shown::as_is, w, d); }

std::string fitted_real_after_label(float v, int w, int d) {
    for (int k = d; k >= 0; --k)
        if (shown_width(v, Shown::as_is, k) <= w) return "f" + std::to_string(w) + "." + std::to_string(k);
    return "f" + std::to_string(shown_width(v, Shown::as_is, 0)) + ".0";
}

std::string fitted_reals(std::span<const Statistic> v, int w, int d) {
    return fitted_list(v, Shown::statistic, w, d);
}

long long free_int(std::string_view field) {
    std::string_view s = trim_blanks(field);
    if (s.empty()) throw ReadError("empty field");
    return parse_int(s);
}

double free_real(std::string_view field) {
    std::string_view s = trim_blanks(field);
    if (s.empty()) throw ReadError("empty field");
    return parse_real(s, 0, true);
}

}  // namespace kov

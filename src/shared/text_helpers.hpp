#pragma once
// Helpers on fixed-length texts: a text is a std::string whose size is its fixed
// length, padded on the right with blanks. Blank means the space character only.
#include <string>
#include <string_view>

namespace kov {

// Every character of str becomes a blank (its length stays).
void blnkfil(std::string& str);

// Left-justifies a typed answer and sets fmt (20 characters) to the layout that
// reads one integer in as many columns as the answer has non-blank characters.
void ansfmt(std::string& ans, std::string& fmt);

// A position in str by the rule of mode: 2 the last non-blank character (0 when
// all blank); 3 the length before the first blank or "."; any other mode the
// length before the first blank. A search that finds nothing falls through to
// the next rule (1 -> 2 -> 3); the last one leaves ipos unchanged.
void strpos(std::string_view str, int& ipos, int mode);

// Sets fmt (20 characters) to the narrowest of "(i1)" to "(i7)" that writes
// ival with its sign; all blank when ival needs more than seven columns.
void ifmt(int ival, std::string& fmt);

// Moves the text after its leading blanks to position 1 and blanks the tail.
void ljust(std::string& str);

// Removes every blank among the first n characters of str, closing up the rest
// of those n characters to the left and padding them with blanks.
void nospace(std::string& str, int n);

// --- small conveniences for fixed-length texts -------------------------------

// text cut or padded with blanks to exactly n characters
std::string padded(std::string_view text, size_t n);
// text less its trailing blanks
std::string rtrim(std::string_view text);
// true when the first n characters of text (blank past its end) are all blank
bool blank_start(std::string_view text, size_t n);
// the first character of an answer, a blank for an empty one
char first_char(std::string_view text);

// --- columns of a text ---------------------------------------------------------
// A text of valid UTF-8 that holds characters of more than one byte (Cyrillic
// letters, an accented identifier) has one column per character; any other
// text (plain ASCII, or the bytes of another code page) one column per byte.

// The length in bytes of the UTF-8 character at s[i], 0 when none starts there.
size_t utf8_char_length(std::string_view s, size_t i);

// Whether the columns of a text are characters of several bytes.
bool multibyte_utf8(std::string_view s);

// The number of columns of a text.
size_t column_count(std::string_view s);

// The byte at which column `col` (from 0) of a text begins; the size of the
// text for a column past its end.
size_t column_byte(std::string_view s, size_t col);

// The bytes of columns [from, from + n) of a text (fewer past its end).
std::string column_slice(std::string_view s, size_t from, size_t n);

// One byte per column: a character of several bytes stands as '?', so that
// fixed fields of numbers can be read from their columns.
std::string column_text(std::string_view s);

// A text cut or padded with blanks to n columns. This is how an identifier is
// kept in the series tables (8 columns): one of letters of several bytes keeps
// all its letters (Áä89-10, 9 bytes, stays whole), so that identifiers that
// differ in the file differ in every listing and file that writes them, and
// a field of n columns written from it by characters holds it exactly.
std::string in_columns(std::string_view s, size_t n);

}  // namespace kov

// EngineString: the engine's text value. A counted, owning, NUL-terminated byte
// string with value semantics (copies are deep). An empty value that never grew
// points at one shared empty buffer and owns no memory; any stored text reserves
// capacity in steps of 512 bytes, so building a line piece by piece reallocates
// only when a 512-byte boundary is crossed.
//
// Text and numbers mix freely: `+`, `+=` and assignment turn numbers into text
// (integers as plain decimals, floating values with 10 significant digits), and
// the comparisons return the doubles 1.0 / 0.0 (text with text compares bytes;
// text with a number compares the text's numeric value).
#pragma once

#include <concepts>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <type_traits>

namespace zorby {

// Numbers that mix with text in the operators (char is excluded on purpose: 's + 'x''
// would otherwise silently append the character's code).
template <typename T>
concept TextNumber = std::is_arithmetic_v<T> && !std::same_as<std::remove_cv_t<T>, char> &&
                     !std::same_as<std::remove_cv_t<T>, signed char> &&
                     !std::same_as<std::remove_cv_t<T>, unsigned char>;

class EngineString {
public:
    // Empty: points at the shared empty buffer, allocates nothing.
    EngineString() noexcept;
    EngineString(const char* text);  // NOLINT: implicit on purpose (text literals)
    EngineString(const std::string& text);
    EngineString(std::string_view text);
    // A number as text (as + and assignment write it): EngineString(12) is "12".
    template <TextNumber T>
    explicit EngineString(T number) : EngineString(number_text(number)) {}
    EngineString(const EngineString& other);
    EngineString(EngineString&& other) noexcept;
    ~EngineString();

    EngineString& operator=(const EngineString& other);
    EngineString& operator=(EngineString&& other) noexcept;
    EngineString& operator=(const char* text);
    EngineString& operator=(const std::string& text);
    template <TextNumber T>
    EngineString& operator=(T number) {
        return *this = number_text(number);
    }
    EngineString& operator=(char) = delete;

    // Makes room for at least n characters plus the terminator. Does nothing when the
    // capacity is already greater than n; otherwise the capacity becomes the next
    // multiple of 512 strictly greater than n and the text is kept.
    void reserve(uint32_t n);
    // reserve(n), then the buffer for the caller to write into; call recount_length()
    // afterwards. The buffer holds capacity() bytes.
    char* writable_buffer(uint32_t n);
    // Length := bytes before the first NUL (the last byte of the buffer is always
    // kept as a terminator, so the length stays below the capacity).
    void recount_length();

    // The text, NUL-terminated. A value whose length is 0 reads as "" even when bytes
    // were written into its buffer but not yet counted.
    const char* text() const noexcept { return length_ > 0 ? buffer_ : ""; }
    const char* c_str() const noexcept { return text(); }
    std::string_view view() const noexcept { return {text(), static_cast<size_t>(length_)}; }
    std::string str() const { return std::string(view()); }
    int32_t length() const noexcept { return length_; }
    bool empty() const noexcept { return length_ == 0; }
    uint32_t capacity() const noexcept { return capacity_; }
    // True while the value points at the shared empty buffer (owns no memory).
    bool uses_shared_empty() const noexcept;

    void append(const char* text);
    void append(std::string_view text);
    void append(const EngineString& other);
    // Cuts the text at pos (pos < 0 counts as 0; pos at or past the end changes nothing).
    void truncate(int32_t pos);
    // The byte at pos, 0 outside 0 <= pos < length.
    uint8_t char_at(int32_t pos) const noexcept;
    // Stores a byte inside the buffer (0 <= pos < capacity - 1); the length is not
    // changed (call recount_length() after writing past the end). Other positions
    // are ignored.
    void set_char_at(int32_t pos, uint8_t byte) noexcept;

    EngineString& operator+=(const EngineString& other) {
        append(other);
        return *this;
    }
    EngineString& operator+=(const char* text) {
        append(text);
        return *this;
    }
    EngineString& operator+=(const std::string& text) {
        append(std::string_view(text));
        return *this;
    }
    template <TextNumber T>
    EngineString& operator+=(T number) {
        append(number_text(number));
        return *this;
    }
    EngineString& operator+=(char) = delete;

    // Text of a number as + and assignment write it: integers in decimal, floating
    // values as from_number does.
    template <TextNumber T>
    static EngineString number_text(T number) {
        if constexpr (std::is_integral_v<T>) {
            if constexpr (std::is_signed_v<T>) {
                return integer_text(static_cast<int64_t>(number));
            } else {
                return unsigned_text(static_cast<uint64_t>(number));
            }
        } else {
            return double_text(static_cast<double>(number));
        }
    }

private:
    static EngineString integer_text(int64_t number);
    static EngineString unsigned_text(uint64_t number);
    static EngineString double_text(double number);
    void assign(const char* text, size_t length);
    void release() noexcept;

    char* buffer_;
    uint32_t capacity_;
    int32_t length_;
};

// ---- text commands ----

// Substring of count characters from start (0-based). Arguments are clamped: a count
// running past the end gives the rest of the text; a negative start or count, or a
// start past the end, gives the empty text.
EngineString middle(const EngineString& s, double start, double count);
// Copies in which only the ASCII letters change case; other bytes stay as they are.
EngineString lower_case(const EngineString& s);
EngineString upper_case(const EngineString& s);
// The numeric value of the leading number in the text (0 when there is none),
// independent of the process locale.
double to_number(const EngineString& s);
double to_number(const char* text);
// A number as text: 10 significant digits, no trailing zeros or point, exponent form
// ("1e+10", "1e-07") when the decimal exponent is below -4 or 10 or more.
EngineString from_number(double value);
// A number with a fixed number of decimals in a field of width characters (a negative
// width aligns left). Width and decimals are truncated toward zero; a negative
// decimal count counts as 0 and the width is limited to 1024, so the text always fits.
EngineString format_number(double width, double decimals, double value);
// 2 * count upper-case hexadecimal digits, high nibble first.
EngineString bytes_to_hex(const void* bytes, size_t count);

// Writes the text (for diagnostics and test output).
std::ostream& operator<<(std::ostream& out, const EngineString& s);

// ---- operators: concatenation ----

EngineString operator+(const EngineString& a, const EngineString& b);
EngineString operator+(const EngineString& a, const char* b);
EngineString operator+(const char* a, const EngineString& b);
EngineString operator+(EngineString&& a, const EngineString& b);
EngineString operator+(EngineString&& a, const char* b);
template <TextNumber T>
EngineString operator+(const EngineString& a, T b) {
    EngineString r(a);
    r += b;
    return r;
}
template <TextNumber T>
EngineString operator+(EngineString&& a, T b) {
    a += b;
    return std::move(a);
}
template <TextNumber T>
EngineString operator+(T a, const EngineString& b) {
    EngineString r = EngineString::number_text(a);
    r += b;
    return r;
}
EngineString operator+(const EngineString&, char) = delete;
EngineString operator+(char, const EngineString&) = delete;

// ---- operators: comparisons (results 1.0 / 0.0) ----

// Text with text: byte-wise. == also requires equal lengths when both sides are values.
double compare_text(const char* a, const char* b);  // strcmp sign as -1, 0, 1
double operator==(const EngineString& a, const EngineString& b);
double operator!=(const EngineString& a, const EngineString& b);
double operator<(const EngineString& a, const EngineString& b);
double operator>(const EngineString& a, const EngineString& b);
double operator<=(const EngineString& a, const EngineString& b);
double operator>=(const EngineString& a, const EngineString& b);
double operator==(const EngineString& a, const char* b);
double operator!=(const EngineString& a, const char* b);
double operator<(const EngineString& a, const char* b);
double operator>(const EngineString& a, const char* b);
double operator<=(const EngineString& a, const char* b);
double operator>=(const EngineString& a, const char* b);
double operator==(const char* a, const EngineString& b);
double operator!=(const char* a, const EngineString& b);
double operator<(const char* a, const EngineString& b);
double operator>(const char* a, const EngineString& b);
double operator<=(const char* a, const EngineString& b);
double operator>=(const char* a, const EngineString& b);

// Text with a number: the text's value (to_number) compared as doubles; NaN on
// either side makes == false and != true.
template <TextNumber T>
double operator==(const EngineString& a, T b) {
    return to_number(a) == static_cast<double>(b) ? 1.0 : 0.0;
}
template <TextNumber T>
double operator!=(const EngineString& a, T b) {
    return to_number(a) != static_cast<double>(b) ? 1.0 : 0.0;
}
template <TextNumber T>
double operator<(const EngineString& a, T b) {
    return to_number(a) < static_cast<double>(b) ? 1.0 : 0.0;
}
template <TextNumber T>
double operator>(const EngineString& a, T b) {
    return to_number(a) > static_cast<double>(b) ? 1.0 : 0.0;
}
template <TextNumber T>
double operator<=(const EngineString& a, T b) {
    return to_number(a) <= static_cast<double>(b) ? 1.0 : 0.0;
}
template <TextNumber T>
double operator>=(const EngineString& a, T b) {
    return to_number(a) >= static_cast<double>(b) ? 1.0 : 0.0;
}
template <TextNumber T>
double operator==(T a, const EngineString& b) {
    return static_cast<double>(a) == to_number(b) ? 1.0 : 0.0;
}
template <TextNumber T>
double operator!=(T a, const EngineString& b) {
    return static_cast<double>(a) != to_number(b) ? 1.0 : 0.0;
}
template <TextNumber T>
double operator<(T a, const EngineString& b) {
    return static_cast<double>(a) < to_number(b) ? 1.0 : 0.0;
}
template <TextNumber T>
double operator>(T a, const EngineString& b) {
    return static_cast<double>(a) > to_number(b) ? 1.0 : 0.0;
}
template <TextNumber T>
double operator<=(T a, const EngineString& b) {
    return static_cast<double>(a) <= to_number(b) ? 1.0 : 0.0;
}
template <TextNumber T>
double operator>=(T a, const EngineString& b) {
    return static_cast<double>(a) >= to_number(b) ? 1.0 : 0.0;
}

}  // namespace zorby

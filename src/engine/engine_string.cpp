// EngineString: storage, text commands, number conversion and the operators.
#include "engine/engine_string.h"

#include <locale.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <ostream>
#include <stdexcept>

namespace zorby {

namespace {

// The one shared empty buffer of never-grown values; never written, never freed.
char g_shared_empty[1] = {0};

constexpr uint32_t kCapacityStep = 512;

bool points_into(const char* p, const char* buffer, uint32_t capacity) {
    std::less<const char*> before;
    return capacity > 0 && !before(p, buffer) && before(p, buffer + capacity);
}

int32_t checked_length(uint64_t n) {
    if (n > static_cast<uint64_t>(INT32_MAX) - kCapacityStep)
        throw std::length_error("text too long");
    return static_cast<int32_t>(n);
}

// Numbers are read the same way whatever locale the process runs in.
#ifdef _WIN32
_locale_t c_locale() {
    static const _locale_t locale = _create_locale(LC_ALL, "C");
    return locale;
}
double read_number(const char* text) {
    return _strtod_l(text, nullptr, c_locale());
}
#else
locale_t c_locale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}
double read_number(const char* text) {
    return strtod_l(text, nullptr, c_locale());
}
#endif

}  // namespace

// ---- storage ----

EngineString::EngineString() noexcept : buffer_(g_shared_empty), capacity_(0), length_(0) {}

EngineString::EngineString(const char* text) : EngineString() {
    if (text == nullptr) text = "";
    assign(text, std::strlen(text));
}

EngineString::EngineString(const std::string& text) : EngineString() {
    assign(text.c_str(), std::strlen(text.c_str()));
}

EngineString::EngineString(std::string_view text) : EngineString() {
    // Like a NUL-terminated text: the value ends at the first NUL.
    const size_t nul = text.find('\0');
    assign(text.data(), nul == std::string_view::npos ? text.size() : nul);
}

EngineString::EngineString(const EngineString& other) : EngineString() {
    assign(other.buffer_, static_cast<size_t>(other.length_));
}

EngineString::EngineString(EngineString&& other) noexcept
    : buffer_(other.buffer_), capacity_(other.capacity_), length_(other.length_) {
    other.buffer_ = g_shared_empty;
    other.capacity_ = 0;
    other.length_ = 0;
}

EngineString::~EngineString() {
    release();
}

void EngineString::release() noexcept {
    if (capacity_ > 0) delete[] buffer_;
    buffer_ = g_shared_empty;
    capacity_ = 0;
    length_ = 0;
}

EngineString& EngineString::operator=(const EngineString& other) {
    if (this != &other) assign(other.buffer_, static_cast<size_t>(other.length_));
    return *this;
}

EngineString& EngineString::operator=(EngineString&& other) noexcept {
    if (this != &other) {
        release();
        buffer_ = other.buffer_;
        capacity_ = other.capacity_;
        length_ = other.length_;
        other.buffer_ = g_shared_empty;
        other.capacity_ = 0;
        other.length_ = 0;
    }
    return *this;
}

EngineString& EngineString::operator=(const char* text) {
    if (text == nullptr) text = "";
    assign(text, std::strlen(text));
    return *this;
}

EngineString& EngineString::operator=(const std::string& text) {
    assign(text.c_str(), std::strlen(text.c_str()));
    return *this;
}

bool EngineString::uses_shared_empty() const noexcept {
    return buffer_ == g_shared_empty;
}

void EngineString::assign(const char* text, size_t length) {
    const int32_t n = checked_length(length);
    // A text inside this value's own buffer is shorter than the capacity, so reserve
    // keeps the buffer and memmove handles the overlap.
    reserve(static_cast<uint32_t>(n));
    std::memmove(buffer_, text, static_cast<size_t>(n));
    buffer_[n] = '\0';
    length_ = n;
}

void EngineString::reserve(uint32_t n) {
    if (capacity_ > n) return;
    const uint64_t grown =
        (static_cast<uint64_t>(n) & ~uint64_t{kCapacityStep - 1}) + kCapacityStep;
    if (grown > UINT32_MAX) throw std::bad_alloc();
    char* fresh = new char[grown]();
    if (capacity_ > 0) {
        const void* nul = std::memchr(buffer_, 0, capacity_);
        const size_t keep =
            nul ? static_cast<size_t>(static_cast<const char*>(nul) - buffer_) : capacity_ - 1;
        std::memcpy(fresh, buffer_, keep);
        delete[] buffer_;
    }
    buffer_ = fresh;
    capacity_ = static_cast<uint32_t>(grown);
}

char* EngineString::writable_buffer(uint32_t n) {
    reserve(n);
    return buffer_;
}

void EngineString::recount_length() {
    if (capacity_ == 0) {
        length_ = 0;
        return;
    }
    buffer_[capacity_ - 1] = '\0';
    length_ = static_cast<int32_t>(std::strlen(buffer_));
}

void EngineString::append(const char* text) {
    if (text == nullptr) return;
    append(std::string_view(text, std::strlen(text)));
}

void EngineString::append(std::string_view text) {
    const size_t nul = text.find('\0');
    if (nul != std::string_view::npos) text = text.substr(0, nul);
    const int32_t old_length = length_;
    const int32_t n = checked_length(static_cast<uint64_t>(old_length) + text.size());
    // The text may lie inside this buffer (s += s): find it again after growing.
    const bool inside = points_into(text.data(), buffer_, capacity_);
    const size_t offset = inside ? static_cast<size_t>(text.data() - buffer_) : 0;
    reserve(static_cast<uint32_t>(n));
    const char* source = inside ? buffer_ + offset : text.data();
    std::memmove(buffer_ + old_length, source, text.size());
    buffer_[n] = '\0';
    length_ = n;
}

void EngineString::append(const EngineString& other) {
    append(std::string_view(other.buffer_, static_cast<size_t>(other.length_)));
}

void EngineString::truncate(int32_t pos) {
    if (pos < 0) pos = 0;
    if (pos >= length_) return;
    buffer_[pos] = '\0';
    length_ = pos;
}

uint8_t EngineString::char_at(int32_t pos) const noexcept {
    return pos >= 0 && pos < length_ ? static_cast<uint8_t>(buffer_[pos]) : 0;
}

void EngineString::set_char_at(int32_t pos, uint8_t byte) noexcept {
    if (capacity_ > 0 && pos >= 0 && static_cast<uint32_t>(pos) < capacity_ - 1) {
        buffer_[pos] = static_cast<char>(byte);
    }
}

// ---- numbers as text ----

EngineString EngineString::integer_text(int64_t number) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    return EngineString(std::string_view(digits, static_cast<size_t>(end - digits)));
}

EngineString EngineString::unsigned_text(uint64_t number) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    return EngineString(std::string_view(digits, static_cast<size_t>(end - digits)));
}

EngineString EngineString::double_text(double number) {
    return from_number(number);
}

namespace {

// The characters of value in the given form and precision (no terminator), at most
// room of them. The standard defines to_chars with a precision as printf's %.*g and
// %.*f, so a C++ library without it (the web page's) prints through the C library.
size_t print_double(char* out, size_t room, double value, std::chars_format form, int precision) {
#if defined(__cpp_lib_to_chars)
    return static_cast<size_t>(std::to_chars(out, out + room, value, form, precision).ptr - out);
#else
    char text[512];
    const int n = std::snprintf(
        text, sizeof text, form == std::chars_format::fixed ? "%.*f" : "%.*g", precision, value);
    const size_t length = std::min(static_cast<size_t>(std::max(n, 0)), room);
    std::memcpy(out, text, length);
    return length;
#endif
}

}  // namespace

EngineString from_number(double value) {
    EngineString r;
    char* out = r.writable_buffer(64);
    if (value == 0) {
        // -0 reads as 0 too.
        out[0] = '0';
        out[1] = '\0';
    } else {
        // General form with 10 significant digits: trailing zeros and a trailing point
        // never appear; exponents below -4 or from 10 on use the exponent form.
        out[print_double(out, 63, value, std::chars_format::general, 10)] = '\0';
    }
    r.recount_length();
    return r;
}

EngineString format_number(double width, double decimals, double value) {
    constexpr int32_t kMaxWidth = 1024;
    constexpr int32_t kMaxDecimals = 100;
    const int32_t w = std::clamp<int32_t>(
        std::isnan(width) ? 0 : static_cast<int32_t>(std::clamp(width, -2e9, 2e9)), -kMaxWidth,
        kMaxWidth);
    const int32_t d = std::clamp<int32_t>(
        std::isnan(decimals) ? 0 : static_cast<int32_t>(std::clamp(decimals, -2e9, 2e9)), 0,
        kMaxDecimals);
    // A double has at most 309 integer digits; sign, point and decimals come on top.
    char digits[512];
    const size_t n = print_double(digits, sizeof digits, value, std::chars_format::fixed, d);
    const size_t field = static_cast<size_t>(w < 0 ? -w : w);
    const size_t pad = field > n ? field - n : 0;
    EngineString r;
    char* out = r.writable_buffer(static_cast<uint32_t>(std::max<size_t>(256, n + pad)));
    if (w >= 0) {
        std::memset(out, ' ', pad);
        std::memcpy(out + pad, digits, n);
    } else {
        std::memcpy(out, digits, n);
        std::memset(out + n, ' ', pad);
    }
    out[n + pad] = '\0';
    r.recount_length();
    return r;
}

double to_number(const char* text) {
    if (text == nullptr) return 0.0;
    return read_number(text);
}

double to_number(const EngineString& s) {
    return to_number(s.text());
}

EngineString bytes_to_hex(const void* bytes, size_t count) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    EngineString r;
    if (bytes == nullptr || count == 0) return r;
    const auto* p = static_cast<const uint8_t*>(bytes);
    char* out = r.writable_buffer(static_cast<uint32_t>(checked_length(2 * uint64_t{count})));
    for (size_t n = 0; n < count; ++n) {
        out[2 * n] = kDigits[p[n] >> 4];
        out[2 * n + 1] = kDigits[p[n] & 15];
    }
    out[2 * count] = '\0';
    r.recount_length();
    return r;
}

// ---- text commands ----

EngineString middle(const EngineString& s, double start, double count) {
    EngineString r;
    const double length = s.length();
    if (std::isnan(start) || std::isnan(count)) return r;
    if (std::trunc(start + count) > length) count = length - start;
    if (count <= 0 || start > length || start < 0) return r;
    const int32_t from = static_cast<int32_t>(start);
    r = std::string_view(s.text() + from, static_cast<size_t>(s.length() - from));
    r.truncate(static_cast<int32_t>(count));
    return r;
}

namespace {
EngineString shift_case(const EngineString& s, char first, char last) {
    EngineString r(s);
    char* p = r.writable_buffer(static_cast<uint32_t>(r.length()));
    for (int32_t n = 0; n < r.length(); ++n) {
        if (p[n] >= first && p[n] <= last) p[n] = static_cast<char>(p[n] ^ 32);
    }
    return r;
}
}  // namespace

EngineString lower_case(const EngineString& s) {
    return shift_case(s, 'A', 'Z');
}
EngineString upper_case(const EngineString& s) {
    return shift_case(s, 'a', 'z');
}

std::ostream& operator<<(std::ostream& out, const EngineString& s) {
    return out << s.view();
}

// ---- concatenation ----

EngineString operator+(const EngineString& a, const EngineString& b) {
    EngineString r(a);
    r += b;
    return r;
}

EngineString operator+(const EngineString& a, const char* b) {
    EngineString r(a);
    r += b;
    return r;
}

EngineString operator+(const char* a, const EngineString& b) {
    EngineString r(a);
    r += b;
    return r;
}

EngineString operator+(EngineString&& a, const EngineString& b) {
    a += b;
    return std::move(a);
}

EngineString operator+(EngineString&& a, const char* b) {
    a += b;
    return std::move(a);
}

// ---- comparisons ----

double compare_text(const char* a, const char* b) {
    const int c = std::strcmp(a ? a : "", b ? b : "");
    return c < 0 ? -1.0 : (c > 0 ? 1.0 : 0.0);
}

namespace {
double truth(bool b) {
    return b ? 1.0 : 0.0;
}
}  // namespace

double operator==(const EngineString& a, const EngineString& b) {
    return truth(a.length() == b.length() && compare_text(a.text(), b.text()) == 0);
}
double operator!=(const EngineString& a, const EngineString& b) {
    return truth(compare_text(a.text(), b.text()) != 0);
}
double operator<(const EngineString& a, const EngineString& b) {
    return truth(compare_text(a.text(), b.text()) < 0);
}
double operator>(const EngineString& a, const EngineString& b) {
    return truth(compare_text(a.text(), b.text()) > 0);
}
double operator<=(const EngineString& a, const EngineString& b) {
    return truth(compare_text(a.text(), b.text()) <= 0);
}
double operator>=(const EngineString& a, const EngineString& b) {
    return truth(compare_text(a.text(), b.text()) >= 0);
}

double operator==(const EngineString& a, const char* b) {
    return truth(compare_text(a.text(), b) == 0);
}
double operator!=(const EngineString& a, const char* b) {
    return truth(compare_text(a.text(), b) != 0);
}
double operator<(const EngineString& a, const char* b) {
    return truth(compare_text(a.text(), b) < 0);
}
double operator>(const EngineString& a, const char* b) {
    return truth(compare_text(a.text(), b) > 0);
}
double operator<=(const EngineString& a, const char* b) {
    return truth(compare_text(a.text(), b) <= 0);
}
double operator>=(const EngineString& a, const char* b) {
    return truth(compare_text(a.text(), b) >= 0);
}

double operator==(const char* a, const EngineString& b) {
    return b == a;
}
double operator!=(const char* a, const EngineString& b) {
    return b != a;
}
double operator<(const char* a, const EngineString& b) {
    return b > a;
}
double operator>(const char* a, const EngineString& b) {
    return b < a;
}
double operator<=(const char* a, const EngineString& b) {
    return b >= a;
}
double operator>=(const char* a, const EngineString& b) {
    return b <= a;
}

}  // namespace zorby

#include "bspcast/map_file.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>

namespace bspcast::map_file {

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Characters 0..32 separate tokens; everything above (bytes 128..255 too) is
// part of one.
bool is_token_char(char c) {
    return static_cast<unsigned char>(c) > 32;
}

// An optionally signed run of decimal digits; the value when it fits 32
// bits, wrapped to its low 16 bits as a 16-bit field is.
bool parse_integer(std::string_view s, std::int16_t& out) {
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    if (i == s.size()) return false;
    std::int64_t magnitude = 0;
    for (; i < s.size(); ++i) {
        if (!is_digit(s[i])) return false;
        magnitude = magnitude * 10 + (s[i] - '0');
        if (magnitude > 2147483648) return false;  // beyond 32 bits: stop before the sum overflows
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > 2147483647) return false;
    out = static_cast<std::int16_t>(static_cast<std::int32_t>(value));
    return true;
}

// The whole token must be [sign] digits [. digits] [e|E [sign] digits] with at
// least one digit before or after the full stop.
bool is_decimal_real(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < s.size() && is_digit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && is_digit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        std::size_t exponent_digits = 0;
        while (i < s.size() && is_digit(s[i])) ++i, ++exponent_digits;
        if (exponent_digits == 0) return false;
    }
    return i == s.size();
}

}  // namespace

void ValueReader::skip_rest_of_line() {
    while (pos_ < text_.size()) {
        const char c = text_[pos_];
        if (c == end_of_file_mark) {
            pos_ = text_.size();
            return;
        }
        ++pos_;
        if (c == '\n') {
            ++current_line_;
            return;
        }
        if (c == '\r') {  // CR LF or a lone CR
            if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
            ++current_line_;
            return;
        }
    }
}

bool ValueReader::next_token() {
    line_ = 0;
    if (malformed_) return false;
    while (pos_ < text_.size() && !is_token_char(text_[pos_])) {
        const char c = text_[pos_];
        if (c == end_of_file_mark) {
            pos_ = text_.size();
            break;
        }
        ++pos_;
        if (c == '\n') {
            ++current_line_;
        } else if (c == '\r') {
            if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
            ++current_line_;
        }
    }
    if (pos_ >= text_.size()) {
        ended_ = true;
        return false;
    }
    line_ = current_line_;
    token_length_ = 0;
    while (pos_ < text_.size() && is_token_char(text_[pos_]) && token_length_ < max_token_length) {
        token_[token_length_++] = text_[pos_++];
    }
    token_[token_length_] = '\0';
    skip_rest_of_line();
    return true;
}

void ValueReader::mark_malformed() {
    malformed_ = true;
    bad_token_.assign(token_.data(), token_length_);
    bad_line_ = line_;
}

std::int16_t ValueReader::read_integer() {
    if (!next_token()) return 0;
    std::int16_t value = 0;
    if (!parse_integer(std::string_view(token_.data(), token_length_), value)) {
        mark_malformed();
        return 0;
    }
    return value;
}

double ValueReader::read_real() {
    if (!next_token()) return 0;
    const std::string_view s(token_.data(), token_length_);
    if (!is_decimal_real(s)) {
        mark_malformed();
        return 0;
    }
    // Extended precision first, then rounded once more to a double.
    char* end = nullptr;
    const long double wide = std::strtold(token_.data(), &end);
    // A value beyond the double range would become infinite (and a long
    // double out of that range has no defined conversion): malformed.
    if (end != token_.data() + token_length_ ||
        !(std::fabs(wide) <= static_cast<long double>(DBL_MAX))) {
        mark_malformed();
        return 0;
    }
    return static_cast<double>(wide);
}

}  // namespace bspcast::map_file

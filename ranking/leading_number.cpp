#include "ranking/leading_number.hpp"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace kelvora {
namespace {

// Walks a text, stepping over the characters that never count.
class NumberReader {
public:
    explicit NumberReader(std::string_view text) : text_(text) {}

    // The next character that counts, or 0 at the end.
    char peek() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n')) ++at_;
        return at_ < text_.size() ? text_[at_] : '\0';
    }
    void take() { ++at_; }

private:
    std::string_view text_;
    std::size_t at_ = 0;
};

bool is_digit(char c) { return c >= '0' && c <= '9'; }

char upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

int digit_value(char c, int radix) {
    int value = is_digit(c) ? c - '0' : upper(c) >= 'A' && upper(c) <= 'F' ? upper(c) - 'A' + 10 : radix;
    return value < radix ? value : -1;
}

double read_radix_digits(NumberReader& reader, int radix) {
    double value = 0;  // exact up to 2^53, far past the 32-bit range that matters
    for (int d; (d = digit_value(reader.peek(), radix)) >= 0; reader.take()) value = value * radix + d;
    return value;
}

// The decimal exponent of the first significant digit of `mantissa` (digits and at most one
// point) scaled by 10^exponent: where a value out of a double's range lies, above or below.
long magnitude(const std::string& mantissa, long exponent) {
    std::size_t point = mantissa.find('.');
    if (point == std::string::npos) point = mantissa.size();
    std::size_t first = mantissa.find_first_not_of("0.");
    if (first == std::string::npos) return 0;
    long position = first < point ? long(point - first) - 1 : -long(first - point);
    return position + exponent;
}

}  // namespace

double leading_number(std::string_view text) {
    NumberReader reader(text);
    if (reader.peek() == '&') {
        reader.take();
        const char kind = upper(reader.peek());
        if (kind != 'H' && kind != 'O') return 0;
        reader.take();
        return read_radix_digits(reader, kind == 'H' ? 16 : 8);
    }

    bool negative = false;
    if (reader.peek() == '+' || reader.peek() == '-') {
        negative = reader.peek() == '-';
        reader.take();
    }
    std::string mantissa;
    bool has_point = false, has_digit = false;
    for (char c = reader.peek();; c = reader.peek()) {
        if (is_digit(c)) {
            has_digit = true;
        } else if (c == '.' && !has_point) {
            has_point = true;
        } else {
            break;
        }
        mantissa.push_back(c);
        reader.take();
    }
    if (!has_digit) return 0;

    long exponent = 0;
    if (const char e = upper(reader.peek()); e == 'E' || e == 'D') {
        reader.take();
        bool negative_exponent = false;
        if (reader.peek() == '+' || reader.peek() == '-') {
            negative_exponent = reader.peek() == '-';
            reader.take();
        }
        // Anything past this bound is out of a double's range whatever the mantissa holds.
        constexpr long exponent_bound = 1'000'000;
        for (char c = reader.peek(); is_digit(c); c = reader.peek()) {
            exponent = std::min(exponent * 10 + (c - '0'), exponent_bound);
            reader.take();
        }
        if (negative_exponent) exponent = -exponent;
    }

    const std::string number = mantissa + "e" + std::to_string(exponent);
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range)
        value = magnitude(mantissa, exponent) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -value : value;
}

std::optional<std::int32_t> leading_int32(std::string_view text) {
    // nearbyint under the default rounding mode: halves go to the even neighbour.
    const double rounded = std::nearbyint(leading_number(text));
    if (!(rounded >= double(std::numeric_limits<std::int32_t>::min()) &&
          rounded <= double(std::numeric_limits<std::int32_t>::max())))
        return std::nullopt;
    return std::int32_t(rounded);
}

}  // namespace kelvora

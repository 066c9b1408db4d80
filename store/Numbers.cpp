#include "Numbers.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

namespace store {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Digits from the first non-zero one on, in a plain decimal text such as "-0.0025".
int significantDigits(const char* begin, const char* end) {
    int count = 0;
    for (const char* p = begin; p != end; ++p) {
        if (isDigit(*p) && (count > 0 || *p != '0'))
            ++count;
    }
    return count;
}

}  // namespace

std::optional<double> parseDecimal(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    s = s.substr(b, e - b);
    if (s.empty())
        return std::nullopt;

    size_t i = 0;
    bool negative = false;
    if (s[i] == '+' || s[i] == '-') {
        negative = s[i] == '-';
        ++i;
    }
    const size_t start = i;
    size_t digits = 0;
    bool dot = false;
    for (; i < s.size(); ++i) {
        if (isDigit(s[i])) {
            ++digits;
        } else if (s[i] == '.' && !dot) {
            dot = true;
        } else {
            break;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            ++j;
        const size_t expDigits = j;
        while (j < s.size() && isDigit(s[j]))
            ++j;
        if (j == expDigits)
            return std::nullopt;
        i = j;
    }
    if (i != s.size())
        return std::nullopt;

    double value = 0;
    const char* first = s.data() + start;
    const char* last = s.data() + s.size();
    auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || ptr != last || !std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

std::optional<double> parseDecimal(QStringView text) {
    std::string ascii;
    ascii.reserve(size_t(text.size()));
    for (QChar c : text) {
        if (c.unicode() > 0x7f)
            return std::nullopt;
        ascii.push_back(char(c.unicode()));
    }
    return parseDecimal(std::string_view(ascii));
}

namespace {

// The text the general format gives `value` when that is the shortest one that reads back
// as the value, in `buf`; null when it rounds (more than 15 significant digits) or takes
// an exponent.
const char* shortestShown(double value, char (&buf)[48]) {
    const double magnitude = std::fabs(value);
    if (magnitude < 1e-4 || magnitude >= 1e15)
        return nullptr;
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    return ec == std::errc() && significantDigits(buf, end) <= 15 ? end : nullptr;
}

}  // namespace

QString formatGeneral(double value) {
    if (value == 0 || !std::isfinite(value)) {
        return value == 0 ? QStringLiteral("0") : QString::number(value);
    }
    // Printing numbers is most of what filling a result grid costs, and "%.15g" is slow.
    // Whole numbers below 10^15 it writes digit for digit. Between 10^-4 and 10^15 it writes
    // without an exponent, and when the shortest text that reads back as the value has at
    // most 15 significant digits, rounding to 15 digits gives that same text.
    if (std::fabs(value) < 1e15 && value == std::trunc(value))
        return QString::number(qlonglong(value));
    char shortest[48];
    if (const char* end = shortestShown(value, shortest))
        return QString::fromLatin1(shortest, int(end - shortest));
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    QString out = QString::fromLatin1(buf);
    out.replace(QLatin1Char('e'), QLatin1Char('E'));
    return out;
}

bool shownExactly(double value) {
    if (value == 0 || (std::fabs(value) < 1e15 && value == std::trunc(value)))
        return true;
    // Money: the double nearest to a decimal of cents, with at most 15 digits, whose
    // shortest text is that decimal, is told without printing it.
    const double cents = std::nearbyint(value * 100);
    if (cents != 0 && std::fabs(cents) < 1e15 && cents / 100 == value)
        return true;
    char shortest[48];
    return std::isfinite(value) && shortestShown(value, shortest) != nullptr;
}

namespace {

// The value with `decimals` places: halves of the value as written to 15 significant
// digits go away from zero.
QString formatFixed(double value, int decimals) {
    if (!std::isfinite(value))
        return QString::number(value);
    // The value as written with 15 significant digits: d.dddddddddddddde±x.
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
    std::string digits;
    const char* p = buf;
    for (; *p && *p != 'e'; ++p) {
        if (isDigit(*p))
            digits.push_back(*p);
    }
    const int exponent = *p == 'e' ? std::atoi(p + 1) : 0;
    // Digits up to and including the last decimal place.
    const int keep = exponent + 1 + decimals;
    std::string kept;
    if (keep <= 0) {
        kept = (keep == 0 && digits[0] >= '5') ? "1" : "0";
    } else {
        if (keep < int(digits.size())) {
            kept = digits.substr(0, size_t(keep));
            if (digits[size_t(keep)] >= '5') {
                int k = int(kept.size()) - 1;
                while (k >= 0 && kept[size_t(k)] == '9')
                    kept[size_t(k--)] = '0';
                if (k < 0) {
                    kept = "1" + kept;
                } else {
                    ++kept[size_t(k)];
                }
            }
        } else {
            kept = digits + std::string(size_t(keep) - digits.size(), '0');
        }
    }
    const size_t places = size_t(decimals);
    if (kept.size() < places + 1)
        kept = std::string(places + 1 - kept.size(), '0') + kept;
    std::string text =
        kept.substr(0, kept.size() - places) + "." + kept.substr(kept.size() - places);
    const size_t firstNonZero = text.find_first_not_of("0.");
    if (value < 0 && firstNonZero != std::string::npos)
        text = "-" + text;
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

}  // namespace

QString formatFixed2(double value) {
    return formatFixed(value, 2);
}

double roundMoney(double value) {
    return parseDecimal(QStringView(formatFixed2(value))).value_or(value);
}

double roundMillionths(double value) {
    return parseDecimal(QStringView(formatFixed(value, 6))).value_or(value);
}

void appendShortestExact(std::string& out, double value) {
    char buf[64];
    const double magnitude = std::fabs(value);
    std::to_chars_result r;
    if (value == 0) {
        out.push_back('0');
        return;
    }
    if (magnitude >= 1e-6 && magnitude < 1e16) {
        r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    } else {
        r = std::to_chars(buf, buf + sizeof buf, value);
    }
    out.append(buf, r.ptr);
}

}  // namespace store

#include "ValueRules.h"

#include <cmath>
#include <optional>

#include "Numbers.h"
#include "StoreError.h"

namespace store {

namespace {

[[noreturn]] void notANumber(const QString& text) {
    throw StoreError(QStringLiteral("“%1”不是有效的数字").arg(text));
}

double textAsNumber(const QString& text) {
    const auto n = parseDecimal(QStringView(text));
    if (!n)
        notANumber(text);
    return *n;
}

// The value as a number where it can take part in a comparison.
std::optional<double> comparable(const CellValue& v) {
    switch (v.kind) {
        case CellValue::Kind::Number:
            return v.number;
        case CellValue::Kind::Text:
            return parseDecimal(QStringView(v.text));
        case CellValue::Kind::Empty:
            break;
    }
    return std::nullopt;
}

double finite(double value) {
    if (!std::isfinite(value))
        throw StoreError(QStringLiteral("计算结果超出了数字的范围，不能存入数据文件"));
    return value;
}

// Reads 1 to `most` ASCII digits at `pos`; -1 when there are none.
int digits(QStringView text, qsizetype& pos, int most) {
    int value = 0, count = 0;
    while (count < most && pos < text.size() && text[pos].unicode() >= '0' &&
           text[pos].unicode() <= '9') {
        value = value * 10 + (text[pos].unicode() - '0');
        ++pos;
        ++count;
    }
    return count ? value : -1;
}

}  // namespace

std::optional<QDate> dayOf(QStringView shown) {
    const QStringView text = shown.trimmed();
    qsizetype pos = 0;
    int year = digits(text, pos, 8), month = -1, day = -1;
    if (pos == 8) {  // 20110503
        month = year / 100 % 100;
        day = year % 100;
        year /= 10000;
    } else if (pos == 4 && pos < text.size()) {
        const QChar separator = text[pos++];
        const bool chinese = separator == u'年';
        if (!chinese && separator != u'-' && separator != u'/' && separator != u'.')
            return std::nullopt;
        month = digits(text, pos, 2);
        if (month < 0 || pos >= text.size() || text[pos++] != (chinese ? u'月' : separator))
            return std::nullopt;
        day = digits(text, pos, 2);
        if (chinese && (pos >= text.size() || text[pos++] != u'日'))
            return std::nullopt;
    } else {
        return std::nullopt;
    }
    if (day < 0 || (pos < text.size() && !text[pos].isSpace()))
        return std::nullopt;
    const QDate date(year, month, day);
    return date.isValid() ? std::optional(date) : std::nullopt;
}

bool dateMeets(const CellValue& cell, Condition condition, const QString& text) {
    if (valueMeets(cell, condition, text))
        return true;
    if (condition != Condition::Equals || cell.isEmpty())
        return false;
    const auto wanted = dayOf(text);
    return wanted && dayOf(cell.displayText()) == wanted;
}

double requireNumber(const CellValue& v) {
    switch (v.kind) {
        case CellValue::Kind::Number:
            return v.number;
        case CellValue::Kind::Text:
            return textAsNumber(v.text);
        case CellValue::Kind::Empty:
            break;
    }
    throw StoreError(QStringLiteral("空白单元格不能参与比较或计算"));
}

double readNumber(const CellValue& v) {
    return v.isEmpty() ? 0.0 : requireNumber(v);
}

bool valueEquals(const CellValue& a, const CellValue& b) {
    if (a.isText() && b.isText())
        return a.text == b.text;
    return requireNumber(a) == requireNumber(b);
}

QStringList conditionNames() {
    return {QStringLiteral("等于"), QStringLiteral("包含")};
}

Condition conditionNamed(const QString& text) {
    const QStringList names = conditionNames();
    if (text == names[0])
        return Condition::Equals;
    if (text == names[1])
        return Condition::Contains;
    return Condition::None;
}

double sumForBook(double value) {
    return roundMillionths(finite(value));
}

double moneyForBook(double value) {
    return roundMoney(finite(value));
}

bool valueMeets(const CellValue& cell, Condition condition, const QString& text) {
    switch (condition) {
        case Condition::Equals: {
            if (cell.isText())
                return cell.text == text;
            const auto number = comparable(cell);
            const auto wanted = parseDecimal(QStringView(text));
            return number && wanted && *number == *wanted;
        }
        case Condition::Contains:
            return !cell.isEmpty() && cell.displayText().contains(text);
        case Condition::None:
            break;
    }
    return false;
}

bool valueBelow(const CellValue& a, const CellValue& b) {
    if (a.isText() && b.isText())
        return a.text < b.text;
    const auto x = comparable(a), y = comparable(b);
    return x && y && *x < *y;
}

QString numberSearchRefusal(Condition condition, const QString& text, const QString& field) {
    if (condition != Condition::Equals || parseDecimal(QStringView(text)))
        return {};
    return QStringLiteral("查询内容“%1”不是有效的数字，不能与%2比较").arg(text, field);
}

}  // namespace store

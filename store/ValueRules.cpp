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

}  // namespace

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

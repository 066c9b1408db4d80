#include "ValueRules.h"

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

bool valueLess(const CellValue& a, const CellValue& b) {
    if (a.isText() && b.isText())
        return a.text < b.text;
    return requireNumber(a) < requireNumber(b);
}

double valueAdd(const CellValue& a, const CellValue& b) {
    return requireNumber(a) + requireNumber(b);
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

bool valueMeets(const CellValue& cell, Condition condition, const QString& text) {
    switch (condition) {
        case Condition::Equals:
            // Said of the typed text: the cell is a good number, the text is what is wrong.
            if (cell.isNumber() && !parseDecimal(QStringView(text)))
                throw StoreError(QStringLiteral("查询内容“%1”不是有效的数字，不能与数字 %2 比较")
                                     .arg(text, formatGeneral(cell.number)));
            return valueEquals(cell, CellValue::fromText(text));
        case Condition::Contains:
            return !cell.isEmpty() && cell.displayText().contains(text);
        case Condition::None:
            break;
    }
    return false;
}

}  // namespace store

#include "CellValue.h"

#include "Numbers.h"

namespace store {

CellValue CellValue::fromNumber(double value) {
    CellValue v;
    v.kind = Kind::Number;
    v.number = value;
    return v;
}

CellValue CellValue::fromText(const QString& value) {
    CellValue v;
    if (!value.isEmpty()) {
        v.kind = Kind::Text;
        v.text = value;
    }
    return v;
}

QString CellValue::displayText() const {
    switch (kind) {
        case Kind::Number:
            return formatGeneral(number);
        case Kind::Text:
            return text;
        case Kind::Empty:
            break;
    }
    return {};
}

bool CellValue::identical(const CellValue& other) const {
    if (kind != other.kind)
        return false;
    if (kind == Kind::Number)
        return number == other.number;
    if (kind == Kind::Text)
        return text == other.text;
    return true;
}

}  // namespace store

#include "HeaderCodes.h"

namespace store::print {

namespace {

bool isHexDigit(QChar c) {
    return c.isDigit() || (c.toUpper() >= u'A' && c.toUpper() <= u'F');
}

// Length of a colour code's argument after "&K": six hex digits (RGB) or a theme colour
// written as two digits, a sign or S/T, and three digits.
qsizetype colourLength(const QString& s, qsizetype from) {
    qsizetype n = 0;
    while (n < 6 && from + n < s.size()) {
        const QChar c = s[from + n];
        const bool themeMark = n == 2 && (c == u'+' || c == u'-' || c == u'S' || c == u'T');
        if (!isHexDigit(c) && !themeMark)
            break;
        ++n;
    }
    return n;
}

}  // namespace

QString expandHeaderCodes(const QString& section, const HeaderFields& fields) {
    QString out;
    out.reserve(section.size());
    qsizetype i = 0;
    while (i < section.size()) {
        const QChar c = section[i];
        if (c != u'&') {
            out += c;
            ++i;
            continue;
        }
        if (i + 1 >= section.size())
            break;  // a lone "&" at the end prints nothing
        const QChar code = section[i + 1];
        i += 2;
        switch (code.toUpper().unicode()) {
            case u'&':
                out += u'&';
                break;
            case u'P':
                out += QString::number(fields.page);
                break;
            case u'N':
                out += QString::number(fields.pageCount);
                break;
            case u'D':
                // The short date of a Chinese-language system.
                out += fields.now.date().toString(QStringLiteral("yyyy/M/d"));
                break;
            case u'T':
                out += fields.now.time().toString(QStringLiteral("H:mm"));
                break;
            case u'A':
                out += fields.sheetName;
                break;
            case u'F':
                out += fields.fileName;
                break;
            case u'Z':
                out += fields.folder;
                break;
            case u'"': {
                // &"font name,style": skip to the closing quote.
                const qsizetype end = section.indexOf(u'"', i);
                i = end < 0 ? section.size() : end + 1;
                break;
            }
            case u'K':
                i += colourLength(section, i);
                break;
            default:
                // Font size (&12) takes all its digits; anything else is a one-letter style
                // or layout code (&B, &I, &U, &E, &S, &X, &Y, &O, &H, &G, &L, &C, &R).
                if (code.isDigit()) {
                    while (i < section.size() && section[i].isDigit())
                        ++i;
                }
                break;
        }
    }
    return out;
}

}  // namespace store::print

#pragma once

#include <QDateTime>
#include <QString>

namespace store::print {

// What the codes of a page header or footer stand for on one page.
struct HeaderFields {
    int page = 1;
    int pageCount = 1;
    QDateTime now;
    QString sheetName;
    QString fileName;
    QString folder;
};

// The printed text of one header or footer section written in spreadsheet header codes:
// "&&" is "&", &P and &N the page number and count, &D and &T the date and time, &A the
// sheet, &F the file, &Z its folder. Font, size, colour and style codes do not change
// the text and are dropped, as are codes this program does not know.
QString expandHeaderCodes(const QString& section, const HeaderFields& fields);

}  // namespace store::print

#pragma once

#include <QByteArray>
#include <QString>
#include <map>
#include <string>
#include <utility>
#include <vector>

// Hand-made workbook packages, so that tests can say exactly what a file holds.
namespace testbooks {

using Parts = std::vector<std::pair<std::string, std::string>>;

QByteArray zipParts(const Parts& parts);
std::map<std::string, std::string> unzipParts(const QByteArray& zip);

struct BookContent {
    std::string sheet;          // the whole worksheet XML
    std::string sharedStrings;  // optional
    std::string styles;         // optional
    std::string workbookPr;     // e.g. <workbookPr date1904="1"/>
};
Parts bookParts(const BookContent& content);
QByteArray makeBook(const BookContent& content);

// A worksheet document around the given sheetData content (and extra elements after).
std::string sheetXml(const std::string& sheetData, const std::string& after = "");

QByteArray readFile(const QString& path);
void writeFile(const QString& path, const QByteArray& bytes);

}  // namespace testbooks

#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <vector>

#include "store/CellValue.h"

// Helpers for checking our books against other spreadsheet programs: LibreOffice run
// headless, openpyxl through Debian's Python, and the zip tool for looking at parts.
namespace interop {

// Runs a program and fails the current test (returning false) when it cannot start,
// times out or exits non-zero. Output of both streams lands in *output when given.
bool run(const QString& program, const QStringList& args, int timeoutSeconds = 300,
         QByteArray* output = nullptr);

// A scratch folder for one test suite; removed when the suite ends.
class Scratch {
public:
    Scratch();
    ~Scratch();
    QString path(const QString& name) const;
    QString root() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// LibreOffice headless. Every call converts a whole batch in one start, which is where
// almost all of the time goes. Each test process gets a profile of its own so that suites
// run by ctest in parallel never share one.
namespace soffice {
bool available();
// Converts every file into outDir with the given --convert-to target
// ("xlsx:Calc MS Excel 2007 XML", "fods", ...). inFilter, when set, is the --infilter.
bool convert(const QStringList& files, const QString& target, const QString& outDir,
             const QString& inFilter = {});
// Every sheet of every file to CSV in UTF-8, texts quoted and numbers bare, values as
// stored rather than as shown. Sheet s of a.xlsx lands in outDir/a-s.csv.
bool toCsvAllSheets(const QStringList& files, const QString& outDir);
bool toXlsx(const QStringList& files, const QString& outDir, const QString& inFilter = {});
bool toFods(const QStringList& files, const QString& outDir);
}  // namespace soffice

// One CSV field: its text and whether it was quoted (with quoting of every text on,
// quoted means LibreOffice held a text, bare means a number).
struct CsvField {
    QString text;
    bool quoted = false;
    bool operator==(const CsvField&) const = default;
};
using CsvRows = std::vector<std::vector<CsvField>>;

CsvRows readCsv(const QString& path);
// The CSV files LibreOffice wrote for the sheets of the book whose base name is given.
QStringList csvSheetFiles(const QString& dir, const QString& baseName);
// A row as "1001|'可口可乐330ml'|" — texts in quotes, numbers bare — for readable asserts.
QString describe(const std::vector<CsvField>& row);

// What LibreOffice shows for one cell of a flat ODF spreadsheet, styles resolved.
struct FodsCell {
    QString valueType;       // "float", "string", "date", ... or empty
    QString value;           // office:value / office:date-value, else the paragraph text
    QString styleName;       // the cell's own style, else the column's default cell style
    QString color;           // fo:color of the cell style, "" when none
    QString background;      // fo:background-color, "" when none
    int decimalPlaces = -1;  // of a number data style; -1 when none
    QString dataStyleName;
};

class FodsDocument {
public:
    static std::optional<FodsDocument> load(const QString& path);
    ~FodsDocument();
    FodsDocument(FodsDocument&&) noexcept;

    QStringList sheetNames() const;
    // Row and column count from 1; a cell outside the sheet is empty.
    FodsCell cell(int sheet, int row, int col) const;
    // style:column-width in centimetres; 0 when unknown.
    double columnWidthCm(int sheet, int col) const;
    // Text of the centre region of the page header or footer of a sheet's page style.
    QString centerHeader(int sheet) const;
    QString centerFooter(int sheet) const;
    // style:print of the sheet's page layout ("grid charts ...").
    QString printFlags(int sheet) const;

private:
    FodsDocument();
    struct Impl;
    std::unique_ptr<Impl> d;
};

// A flat ODF spreadsheet with the given automatic styles and tables, for LibreOffice to
// turn into a workbook. The number styles N2 ("0.00") and NDate ("yyyy-mm-dd") are there.
QString fods(const QString& automaticStyles, const QString& tables);
bool writeFile(const QString& path, const QByteArray& bytes);

// Pieces of a flat ODF table; style names one of the caller's automatic styles.
QString odsText(const QString& text, const QString& style = {});
QString odsNumber(const QString& value, const QString& style = {});
QString odsDate(const QString& isoDate, const QString& style);
QString odsFormula(const QString& formula, const QString& cachedValue);
QString odsStyledBlank(const QString& style);
QString odsSkip(int columns);
QString odsRow(const QString& cells);

// A cell as "n:1230.5", "t:可口可乐330ml" or "empty", for readable asserts.
std::string show(const store::CellValue& value);

// Zip parts, read through the zip tool exactly as another program would see them.
QStringList zipEntries(const QString& file);
QByteArray zipPart(const QString& file, const QString& part);

QString interopSourceDir();
QString python();

// A suite whose books are made once, in the derived class's SetUpTestSuite, in a scratch
// folder of its own; every test stops at once when making them failed.
template <class Suite>
class BooksMadeOnce : public ::testing::Test {
protected:
    static inline std::unique_ptr<Scratch> scratch;
    static inline bool ready = false;

    static void TearDownTestSuite() { scratch.reset(); }
    void SetUp() override { ASSERT_TRUE(ready) << "the books could not be made"; }
};

}  // namespace interop

// Lets GoogleTest print texts readably in failure messages.
void PrintTo(const QString& text, std::ostream* os);

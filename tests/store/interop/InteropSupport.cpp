#include "InteropSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <iostream>
#include <pugixml.hpp>

#include "store/Numbers.h"

namespace interop {

bool run(const QString& program, const QStringList& args, int timeoutSeconds, QByteArray* output) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    // Sheet names become file names: without a UTF-8 locale (CI's bare environment)
    // LibreOffice cannot write 出库.csv and silently writes nothing.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", "C.UTF-8");
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForStarted(30000)) {
        ADD_FAILURE() << "cannot start " << program.toStdString();
        return false;
    }
    if (!p.waitForFinished(timeoutSeconds * 1000)) {
        p.kill();
        p.waitForFinished();
        ADD_FAILURE() << program.toStdString() << " did not finish within " << timeoutSeconds
                      << " s";
        return false;
    }
    const QByteArray out = p.readAll();
    if (output)
        *output = out;
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " " << args.join(' ').toStdString()
                      << " failed with " << p.exitCode() << ":\n"
                      << out.toStdString();
        return false;
    }
    return true;
}

struct Scratch::Impl {
    QTemporaryDir dir{QDir::tempPath() + "/tavelo-interop-XXXXXX"};
};

Scratch::Scratch() : d(std::make_unique<Impl>()) {
    // TAVELO_INTEROP_KEEP=1 leaves the books behind for a look after a failure.
    if (qEnvironmentVariableIntValue("TAVELO_INTEROP_KEEP") == 1) {
        d->dir.setAutoRemove(false);
        std::cout << "books kept in " << d->dir.path().toStdString() << std::endl;
    }
}
Scratch::~Scratch() = default;
QString Scratch::root() const {
    return d->dir.path();
}
QString Scratch::path(const QString& name) const {
    return d->dir.filePath(name);
}

namespace soffice {

namespace {

const QString kProgram = QStringLiteral("soffice");

QString profileUrl() {
    // A fresh profile costs a few seconds on the first start only; keep one per process.
    static QTemporaryDir profile(QDir::tempPath() + "/tavelo-lo-profile-XXXXXX");
    return QStringLiteral("file://") + profile.path();
}

}  // namespace

bool available() {
    QProcess p;
    p.start(kProgram, {"--version"});
    return p.waitForStarted(10000) && p.waitForFinished(60000) && p.exitCode() == 0;
}

bool convert(const QStringList& files, const QString& target, const QString& outDir,
             const QString& inFilter) {
    QDir().mkpath(outDir);
    QStringList args{"-env:UserInstallation=" + profileUrl(), "--headless", "--norestore",
                     "--nolockcheck"};
    if (!inFilter.isEmpty())
        args << "--infilter=" + inFilter;
    args << "--convert-to" << target << "--outdir" << outDir;
    args << files;
    QByteArray out;
    if (!run(kProgram, args, 600, &out))
        return false;
    // soffice exits 0 even when a file could not be loaded; it then says so and writes
    // nothing, which the callers notice when they look for their outputs.
    if (out.contains("Error:")) {
        ADD_FAILURE() << "soffice reported an error:\n" << out.toStdString();
        return false;
    }
    return true;
}

bool toCsvAllSheets(const QStringList& files, const QString& outDir) {
    // Tokens: comma, double quote, UTF-8, from line 1, no column types, language 0,
    // quote every text, detect special numbers, values as stored, no formulas, blanks
    // kept, and -1: every sheet to a file of its own.
    return convert(files,
                   "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,true,true,false,false,false,-1",
                   outDir);
}

bool toXlsx(const QStringList& files, const QString& outDir, const QString& inFilter) {
    return convert(files, "xlsx:Calc MS Excel 2007 XML", outDir, inFilter);
}

bool toFods(const QStringList& files, const QString& outDir) {
    return convert(files, "fods", outDir);
}

}  // namespace soffice

CsvRows readCsv(const QString& path) {
    QFile f(path);
    CsvRows rows;
    if (!f.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "no CSV file " << path.toStdString();
        return rows;
    }
    const QString text = QString::fromUtf8(f.readAll());
    std::vector<CsvField> row;
    CsvField field;
    bool inQuotes = false;
    bool rowHasContent = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (inQuotes) {
            if (c == '"') {
                if (i + 1 < text.size() && text[i + 1] == '"') {
                    field.text += '"';
                    ++i;
                } else {
                    inQuotes = false;
                }
            } else {
                field.text += c;
            }
        } else if (c == '"') {
            inQuotes = true;
            field.quoted = true;
            rowHasContent = true;
        } else if (c == ',') {
            row.push_back(field);
            field = {};
            rowHasContent = true;
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            row.push_back(field);
            rows.push_back(row);
            row.clear();
            field = {};
            rowHasContent = false;
        } else {
            field.text += c;
            rowHasContent = true;
        }
    }
    if (rowHasContent) {
        row.push_back(field);
        rows.push_back(row);
    }
    return rows;
}

QStringList csvSheetFiles(const QString& dir, const QString& baseName) {
    QStringList out;
    for (const QString& name : QDir(dir).entryList({baseName + "-*.csv"}, QDir::Files)) {
        out << QDir(dir).filePath(name);
    }
    return out;
}

QString describe(const std::vector<CsvField>& row) {
    QStringList parts;
    for (const CsvField& f : row)
        parts << (f.quoted ? "'" + f.text + "'" : f.text);
    return parts.join('|');
}

namespace {

double lengthToCm(const QString& length) {
    static const std::pair<const char*, double> units[] = {
        {"cm", 1.0}, {"mm", 0.1}, {"in", 2.54}, {"pt", 2.54 / 72}, {"pc", 2.54 / 6}};
    for (const auto& [unit, factor] : units) {
        if (length.endsWith(QLatin1String(unit))) {
            return length.chopped(int(strlen(unit))).toDouble() * factor;
        }
    }
    return 0;
}

void collectText(const pugi::xml_node& node, QString& out) {
    for (pugi::xml_node child : node.children()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
            out += QString::fromUtf8(child.value());
        } else if (std::string_view(child.name()) == "text:s") {
            out += QString(child.attribute("text:c").as_int(1), ' ');
        } else if (std::string_view(child.name()) == "text:tab") {
            out += '\t';
        } else if (std::string_view(child.name()) == "text:line-break") {
            out += '\n';
        } else {
            collectText(child, out);
        }
    }
}

QString paragraphs(const pugi::xml_node& node) {
    QStringList lines;
    for (pugi::xml_node p : node.children("text:p")) {
        QString line;
        collectText(p, line);
        lines << line;
    }
    return lines.join('\n');
}

constexpr int kMaxRows = 5000;
constexpr int kMaxCols = 200;

}  // namespace

struct FodsDocument::Impl {
    pugi::xml_document doc;
    struct Sheet {
        QString name;
        QString styleName;
        std::map<std::pair<int, int>, pugi::xml_node> cells;
        std::vector<pugi::xml_node> columns;  // index 0 = column 1
    };
    std::vector<Sheet> sheets;
    std::map<std::string, pugi::xml_node> styles;      // style:style by name
    std::map<std::string, pugi::xml_node> dataStyles;  // number:*-style by name
    std::map<std::string, pugi::xml_node> pageLayouts;
    std::map<std::string, pugi::xml_node> masterPages;

    void indexStyles(pugi::xml_node container) {
        for (pugi::xml_node n : container.children()) {
            const std::string name = n.attribute("style:name").value();
            const std::string_view tag = n.name();
            if (tag == "style:style") {
                styles[name] = n;
            } else if (tag == "style:page-layout") {
                pageLayouts[name] = n;
            } else if (tag.starts_with("number:")) {
                dataStyles[name] = n;
            }
        }
    }

    // An attribute of a style's property element, following parent styles.
    QString styleProperty(const std::string& styleName, const char* element,
                          const char* attribute) const {
        std::string name = styleName;
        for (int depth = 0; depth < 10 && !name.empty(); ++depth) {
            auto it = styles.find(name);
            if (it == styles.end())
                break;
            if (element == nullptr) {
                if (pugi::xml_attribute a = it->second.attribute(attribute)) {
                    return QString::fromUtf8(a.value());
                }
            } else if (pugi::xml_attribute a = it->second.child(element).attribute(attribute)) {
                return QString::fromUtf8(a.value());
            }
            name = it->second.attribute("style:parent-style-name").value();
        }
        return {};
    }

    void readRows(pugi::xml_node container, Sheet& sheet, int& row) {
        for (pugi::xml_node n : container.children()) {
            const std::string_view tag = n.name();
            if (tag == "table:table-row") {
                const int repeat = n.attribute("table:number-rows-repeated").as_int(1);
                for (int r = 0; r < repeat && row <= kMaxRows; ++r, ++row) {
                    int col = 1;
                    for (pugi::xml_node c : n.children()) {
                        const std::string_view ctag = c.name();
                        if (ctag != "table:table-cell" && ctag != "table:covered-table-cell") {
                            continue;
                        }
                        const int crep = c.attribute("table:number-columns-repeated").as_int(1);
                        for (int k = 0; k < crep && col <= kMaxCols; ++k, ++col) {
                            sheet.cells[{row, col}] = c;
                        }
                        if (col > kMaxCols)
                            break;
                    }
                }
                if (row > kMaxRows)
                    return;
            } else if (tag == "table:table-header-rows" || tag == "table:table-row-group" ||
                       tag == "table:table-rows") {
                readRows(n, sheet, row);
            }
        }
    }

    void readColumns(pugi::xml_node container, Sheet& sheet) {
        for (pugi::xml_node n : container.children()) {
            const std::string_view tag = n.name();
            if (tag == "table:table-column") {
                const int repeat = n.attribute("table:number-columns-repeated").as_int(1);
                for (int k = 0; k < repeat && int(sheet.columns.size()) < kMaxCols; ++k) {
                    sheet.columns.push_back(n);
                }
            } else if (tag == "table:table-column-group" || tag == "table:table-header-columns" ||
                       tag == "table:table-columns") {
                readColumns(n, sheet);
            }
        }
    }

    pugi::xml_node masterPage(int sheet) const {
        if (sheet < 0 || sheet >= int(sheets.size()))
            return {};
        const QString master = styleProperty(sheets[size_t(sheet)].styleName.toStdString(), nullptr,
                                             "style:master-page-name");
        auto it = masterPages.find(master.isEmpty() ? "Default" : master.toStdString());
        return it == masterPages.end() ? pugi::xml_node() : it->second;
    }
};

FodsDocument::FodsDocument() : d(std::make_unique<Impl>()) {}
FodsDocument::~FodsDocument() = default;
FodsDocument::FodsDocument(FodsDocument&&) noexcept = default;

std::optional<FodsDocument> FodsDocument::load(const QString& path) {
    FodsDocument doc;
    const pugi::xml_parse_result ok = doc.d->doc.load_file(path.toUtf8().constData());
    if (!ok) {
        ADD_FAILURE() << "cannot read " << path.toStdString() << ": " << ok.description();
        return std::nullopt;
    }
    const pugi::xml_node root = doc.d->doc.child("office:document");
    doc.d->indexStyles(root.child("office:styles"));
    doc.d->indexStyles(root.child("office:automatic-styles"));
    for (pugi::xml_node m : root.child("office:master-styles").children("style:master-page")) {
        doc.d->masterPages[m.attribute("style:name").value()] = m;
    }
    const pugi::xml_node book = root.child("office:body").child("office:spreadsheet");
    for (pugi::xml_node t : book.children("table:table")) {
        Impl::Sheet sheet;
        sheet.name = QString::fromUtf8(t.attribute("table:name").value());
        sheet.styleName = QString::fromUtf8(t.attribute("table:style-name").value());
        doc.d->readColumns(t, sheet);
        int row = 1;
        doc.d->readRows(t, sheet, row);
        doc.d->sheets.push_back(std::move(sheet));
    }
    return doc;
}

QStringList FodsDocument::sheetNames() const {
    QStringList names;
    for (const auto& s : d->sheets)
        names << s.name;
    return names;
}

FodsCell FodsDocument::cell(int sheet, int row, int col) const {
    FodsCell out;
    if (sheet < 0 || sheet >= int(d->sheets.size()))
        return out;
    const Impl::Sheet& s = d->sheets[size_t(sheet)];
    const auto it = s.cells.find({row, col});
    if (it != s.cells.end()) {
        const pugi::xml_node c = it->second;
        out.valueType = QString::fromUtf8(c.attribute("office:value-type").value());
        if (pugi::xml_attribute v = c.attribute("office:value")) {
            out.value = QString::fromUtf8(v.value());
        } else if (pugi::xml_attribute dv = c.attribute("office:date-value")) {
            out.value = QString::fromUtf8(dv.value());
        } else {
            out.value = paragraphs(c);
        }
        out.styleName = QString::fromUtf8(c.attribute("table:style-name").value());
    }
    if (out.styleName.isEmpty() && col >= 1 && col <= int(s.columns.size())) {
        out.styleName = QString::fromUtf8(
            s.columns[size_t(col - 1)].attribute("table:default-cell-style-name").value());
    }
    const std::string style = out.styleName.toStdString();
    out.color = d->styleProperty(style, "style:text-properties", "fo:color");
    out.background = d->styleProperty(style, "style:table-cell-properties", "fo:background-color");
    out.dataStyleName = d->styleProperty(style, nullptr, "style:data-style-name");
    const auto ds = d->dataStyles.find(out.dataStyleName.toStdString());
    if (ds != d->dataStyles.end()) {
        if (pugi::xml_attribute places =
                ds->second.child("number:number").attribute("number:decimal-places")) {
            out.decimalPlaces = places.as_int();
        }
    }
    return out;
}

double FodsDocument::columnWidthCm(int sheet, int col) const {
    if (sheet < 0 || sheet >= int(d->sheets.size()))
        return 0;
    const Impl::Sheet& s = d->sheets[size_t(sheet)];
    if (col < 1 || col > int(s.columns.size()))
        return 0;
    const std::string style = s.columns[size_t(col - 1)].attribute("table:style-name").value();
    return lengthToCm(
        d->styleProperty(style, "style:table-column-properties", "style:column-width"));
}

namespace {

// LibreOffice writes a header with nothing but a centre part as plain paragraphs.
QString centerRegion(const pugi::xml_node& headerOrFooter) {
    if (pugi::xml_node center = headerOrFooter.child("style:region-center")) {
        return paragraphs(center);
    }
    if (headerOrFooter.child("style:region-left") || headerOrFooter.child("style:region-right")) {
        return {};
    }
    return paragraphs(headerOrFooter);
}

}  // namespace

QString FodsDocument::centerHeader(int sheet) const {
    return centerRegion(d->masterPage(sheet).child("style:header"));
}

QString FodsDocument::centerFooter(int sheet) const {
    return centerRegion(d->masterPage(sheet).child("style:footer"));
}

QString FodsDocument::printFlags(int sheet) const {
    const pugi::xml_node master = d->masterPage(sheet);
    const auto it = d->pageLayouts.find(master.attribute("style:page-layout-name").value());
    if (it == d->pageLayouts.end())
        return {};
    return QString::fromUtf8(
        it->second.child("style:page-layout-properties").attribute("style:print").value());
}

QString fods(const QString& automaticStyles, const QString& tables) {
    return QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0"
 xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2"
 office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:automatic-styles>
 <number:number-style style:name="N2"><number:number number:decimal-places="2" number:min-decimal-places="2" number:min-integer-digits="1"/></number:number-style>
 <number:date-style style:name="NDate"><number:year number:style="long"/><number:text>-</number:text><number:month number:style="long"/><number:text>-</number:text><number:day number:style="long"/></number:date-style>
)") + automaticStyles +
           QStringLiteral("\n</office:automatic-styles>\n<office:body><office:spreadsheet>\n") +
           tables + QStringLiteral("\n</office:spreadsheet></office:body></office:document>\n");
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
        ADD_FAILURE() << "cannot write " << path.toStdString();
        return false;
    }
    return true;
}

namespace {

QString styleAttribute(const QString& style) {
    return style.isEmpty() ? QString() : QString(" table:style-name=\"%1\"").arg(style);
}

QString escaped(const QString& text) {
    return text.toHtmlEscaped();
}

}  // namespace

QString odsText(const QString& text, const QString& style) {
    return QString(
               "<table:table-cell%1 office:value-type=\"string\"><text:p>%2</text:p>"
               "</table:table-cell>")
        .arg(styleAttribute(style), escaped(text));
}

QString odsNumber(const QString& value, const QString& style) {
    return QString(
               "<table:table-cell%1 office:value-type=\"float\" office:value=\"%2\">"
               "<text:p>%2</text:p></table:table-cell>")
        .arg(styleAttribute(style), value);
}

QString odsDate(const QString& isoDate, const QString& style) {
    return QString(
               "<table:table-cell%1 office:value-type=\"date\" office:date-value=\"%2\">"
               "<text:p>%2</text:p></table:table-cell>")
        .arg(styleAttribute(style), isoDate);
}

QString odsFormula(const QString& formula, const QString& cachedValue) {
    return QString(
               "<table:table-cell table:formula=\"of:=%1\" office:value-type=\"float\" "
               "office:value=\"%2\"><text:p>%2</text:p></table:table-cell>")
        .arg(escaped(formula), cachedValue);
}

QString odsStyledBlank(const QString& style) {
    return QString("<table:table-cell%1/>").arg(styleAttribute(style));
}

QString odsSkip(int columns) {
    return QString("<table:table-cell table:number-columns-repeated=\"%1\"/>").arg(columns);
}

QString odsRow(const QString& cells) {
    return "<table:table-row>" + cells + "</table:table-row>\n";
}

std::string show(const store::CellValue& value) {
    if (value.isNumber()) {
        std::string s = "n:";
        store::appendShortestExact(s, value.number);
        return s;
    }
    if (value.isText())
        return "t:" + value.text.toStdString();
    return "empty";
}

QStringList zipEntries(const QString& file) {
    QByteArray out;
    if (!run("unzip", {"-Z1", file}, 60, &out))
        return {};
    QStringList names = QString::fromUtf8(out).split('\n', Qt::SkipEmptyParts);
    names.sort();
    return names;
}

QByteArray zipPart(const QString& file, const QString& part) {
    // unzip takes member names as wildcard patterns: "[Content_Types].xml" would match
    // nothing unless its brackets are escaped.
    QString pattern;
    for (const QChar c : part) {
        if (c == '[' || c == '*' || c == '?') {
            pattern += '[' + QString(c) + ']';
        } else {
            pattern += c;
        }
    }
    QProcess p;
    p.start("unzip", {"-p", file, pattern});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        ADD_FAILURE() << "unzip -p " << file.toStdString() << " " << part.toStdString()
                      << " failed";
        return {};
    }
    return p.readAllStandardOutput();
}

QString interopSourceDir() {
    return QStringLiteral(TAVELO_INTEROP_SOURCE_DIR);
}
QString python() {
    return QStringLiteral(TAVELO_PYTHON);
}

}  // namespace interop

void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

#include "FormulaBook.h"

#include <string>

#include "store/Workbook.h"

namespace formulabook {

namespace {

const char* const kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char* const kRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

std::string row(int r, int qty, bool first) {
    const std::string n = std::to_string(r);
    const std::string value = std::to_string(qty * 2);
    // The first cell of a group holds the text; the others only name the group.
    const auto shared = [&](const char* col, int si) {
        return std::string("<c r=\"") + col + n + "\"><f t=\"shared\"" +
               (first ? " ref=\"" + std::string(col) + "2:" + col + "5\"" : std::string()) +
               " si=\"" + std::to_string(si) + "\"" + (first ? ">D2*E2</f>" : "/>") + "<v>" +
               value + "</v></c>";
    };
    // K as LibreOffice writes a formula of its own in every cell.
    const std::string own = "<c r=\"K" + n + "\" t=\"n\"><f aca=\"false\">D" + n + "*E" + n +
                            "</f><v>" + value + "</v></c>";
    return "<row r=\"" + n + "\"><c r=\"A" + n + "\"><v>" + std::to_string(999 + r) +
           "</v></c><c r=\"D" + n + "\"><v>" + std::to_string(qty) + "</v></c><c r=\"E" + n +
           "\"><v>2</v></c>" + shared("F", 0) + own + "</row>";
}

}  // namespace

testbooks::Parts parts() {
    std::string data =
        "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>商品编号</t></is></c></row>";
    for (int r = 2; r <= 5; ++r)
        data += row(r, (r - 1) * 10, r == 2);
    testbooks::Parts parts = testbooks::bookParts({testbooks::sheetXml(data), {}, {}, {}});
    for (auto& [name, bytes] : parts) {
        if (name == "[Content_Types].xml") {
            const std::pair<const char*, const char*> types[] = {
                {"workbook.xml", "sheet.main+xml"},
                {"worksheets/sheet1.xml", "worksheet+xml"},
                {"worksheets/sheet2.xml", "worksheet+xml"},
                {"calcChain.xml", "calcChain+xml"}};
            for (const auto& [part, type] : types) {
                bytes.insert(bytes.rfind("</Types>"),
                             std::string("<Override PartName=\"/xl/") + part +
                                 "\" ContentType=\"application/"
                                 "vnd.openxmlformats-officedocument.spreadsheetml." +
                                 type + "\"/>");
            }
        } else if (name == "xl/workbook.xml") {
            bytes = std::string("<workbook xmlns=\"") + kMain + "\" xmlns:r=\"" + kRel +
                    "\"><sheets><sheet name=\"库存\" sheetId=\"1\" r:id=\"rId1\"/>"
                    "<sheet name=\"汇总\" sheetId=\"2\" r:id=\"rId7\"/></sheets>"
                    "<calcPr calcId=\"1\"/></workbook>";
        } else if (name == "xl/_rels/workbook.xml.rels") {
            bytes.insert(bytes.rfind("</Relationships>"),
                         std::string("<Relationship Id=\"rId7\" Type=\"") + kRel +
                             "/worksheet\" Target=\"worksheets/sheet2.xml\"/>"
                             "<Relationship Id=\"rId8\" Type=\"" +
                             kRel + "/calcChain\" Target=\"calcChain.xml\"/>");
        }
    }
    parts.push_back({"xl/worksheets/sheet2.xml",
                     std::string("<worksheet xmlns=\"") + kMain +
                         "\"><sheetData><row r=\"1\"><c r=\"A1\" s=\"1\"><f>SUM(库存!D2:D100)</f>"
                         "<v>100</v></c></row></sheetData></worksheet>"});
    parts.push_back({"xl/calcChain.xml", std::string("<calcChain xmlns=\"") + kMain +
                                             "\"><c r=\"F2\" i=\"1\"/><c r=\"K2\"/>"
                                             "<c r=\"A1\" i=\"2\"/></calcChain>"});
    return parts;
}

void postRow(store::Workbook& book, int row, double qty, double cost) {
    using store::CellValue;
    const CellValue cells[] = {CellValue::fromNumber(999 + row), CellValue::fromText("饮料"),
                               CellValue::fromText("瓶"),        CellValue::fromNumber(qty),
                               CellValue::fromNumber(cost),      CellValue::fromNumber(qty * cost),
                               CellValue::fromNumber(4),         CellValue::fromText("甲厂"),
                               CellValue::fromNumber(5),         CellValue()};
    for (int c = 0; c < 10; ++c)
        book.setCell(row, c + 1, cells[c]);
}

}  // namespace formulabook

// Formulas a shop keeper added elsewhere, through a save of the program's own cells.
#include <gtest/gtest.h>

#include "FormulaBook.h"
#include "TestBooks.h"
#include "store/Workbook.h"
#include "store/xlsx/Formulas.h"

using store::CellValue;
using store::Workbook;
using store::xlsx::shiftFormula;

TEST(Formulas, MoveAsASpreadsheetProgramMovesThem) {
    const std::pair<const char*, const char*> down1[] = {
        {"D2*E2", "D3*E3"},
        {"$D$2*E$2+$E2", "$D$2*E$2+$E3"},
        {"SUM(库存!D2:D100)", "SUM(库存!D3:D101)"},
        {"'My Sheet'!A1&\"A1\"", "'My Sheet'!A2&\"A1\""},
        {"LOG10(A1)+A:A+2:3+1E+5+TRUE", "LOG10(A2)+A:A+3:4+1E+5+TRUE"},
        {"Table1[[#This Row],[A1]]+_xlfn.STDEV.S(B1)",
         "Table1[[#This Row],[A1]]+_xlfn.STDEV.S(B2)"},
        {"IF(#REF!,XFD1048576,A1)", "IF(#REF!,#REF!,A2)"},
    };
    for (const auto& [from, to] : down1)
        EXPECT_EQ(shiftFormula(from, 1, 0), to) << from;
    EXPECT_EQ(shiftFormula("A1:B2*$C1", -1, 1), "#REF!*#REF!") << "off the top";
    EXPECT_EQ(shiftFormula("B2:C3*$C$1", 0, -1), "A2:B3*$C$1");
}

TEST(Formulas, AFilledDownColumnKeepsWorkingWhenItsFirstCellIsOverwritten) {
    Workbook wb = Workbook::openBytes(testbooks::zipParts(formulabook::parts()), "tvkucun.dat");
    // A stock-in writes all ten cells of row 2, the first of the filled-down F column.
    formulabook::postRow(wb, 2, 11, 2.5);
    const auto parts = testbooks::unzipParts(wb.toBytes());
    const std::string& sheet1 = parts.at("xl/worksheets/sheet1.xml");
    EXPECT_NE(sheet1.find("<c r=\"F3\"><f>D3*E3</f><v>40</v></c>"), std::string::npos) << sheet1;
    EXPECT_NE(sheet1.find("<c r=\"F5\"><f>D5*E5</f><v>80</v></c>"), std::string::npos);
    // Past the program's ten columns the results are left to the reader to compute.
    EXPECT_NE(sheet1.find("<c r=\"K3\"><f aca=\"false\">D3*E3</f></c>"), std::string::npos);
    const std::string& sheet2 = parts.at("xl/worksheets/sheet2.xml");
    EXPECT_NE(sheet2.find("<c r=\"A1\" s=\"1\"><f>SUM(库存!D2:D100)</f></c>"), std::string::npos)
        << sheet2;
    EXPECT_NE(parts.at("xl/workbook.xml").find("<calcPr fullCalcOnLoad=\"1\" calcId=\"1\"/>"),
              std::string::npos);
    // The chain named F2, which holds no formula now: gone with every mention of it.
    EXPECT_EQ(parts.count("xl/calcChain.xml"), 0u);
    EXPECT_EQ(parts.at("[Content_Types].xml").find("calcChain"), std::string::npos);
    EXPECT_EQ(parts.at("xl/_rels/workbook.xml.rels").find("calcChain"), std::string::npos);
    // The program reads what it always read.
    const Workbook back = Workbook::openBytes(wb.toBytes(), "tvkucun.dat");
    EXPECT_EQ(back.cell(3, 6).number, 40);
    EXPECT_EQ(back.cell(2, 4).number, 11);
}

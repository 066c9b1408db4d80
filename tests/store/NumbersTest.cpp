#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>

#include "store/CellValue.h"
#include "store/Numbers.h"
#include "store/StoreError.h"
#include "store/ValueRules.h"

using namespace store;

TEST(ParseDecimal, AcceptsWhatAShopKeeperTypes) {
    EXPECT_EQ(parseDecimal(QStringView(u"12")), 12.0);
    EXPECT_EQ(parseDecimal(QStringView(u"012")), 12.0);
    EXPECT_EQ(parseDecimal(QStringView(u"1001.0")), 1001.0);
    EXPECT_EQ(parseDecimal(QStringView(u"  -2.5 ")), -2.5);
    EXPECT_EQ(parseDecimal(QStringView(u"+3")), 3.0);
    EXPECT_EQ(parseDecimal(QStringView(u".5")), 0.5);
    EXPECT_EQ(parseDecimal(QStringView(u"5.")), 5.0);
    EXPECT_EQ(parseDecimal(QStringView(u"1e3")), 1000.0);
    EXPECT_EQ(parseDecimal(QStringView(u"1.5E-2")), 0.015);
    EXPECT_EQ(parseDecimal(QStringView(u"98.35")), 98.35);
}

TEST(ParseDecimal, RefusesEverythingElse) {
    for (const char16_t* bad :
         {u"", u"  ", u".", u"-", u"1.2.3", u"1,000", u"12abc", u"abc", u"0x10", u"1e", u"e5",
          u"inf", u"nan", u"１２", u"1e999", u"- 1", u"1 2"}) {
        EXPECT_FALSE(parseDecimal(QStringView(bad)).has_value())
            << QString::fromUtf16(bad).toStdString();
    }
}

TEST(FormatGeneral, ShortestUpToFifteenDigits) {
    EXPECT_EQ(formatGeneral(1001), "1001");
    EXPECT_EQ(formatGeneral(2.5), "2.5");
    EXPECT_EQ(formatGeneral(1230.5), "1230.5");
    EXPECT_EQ(formatGeneral(0.1 + 0.2), "0.3");
    EXPECT_EQ(formatGeneral(10 + 20.5 + 0.25), "30.75");
    EXPECT_EQ(formatGeneral(-0.0), "0");
    EXPECT_EQ(formatGeneral(0), "0");
    EXPECT_EQ(formatGeneral(-35.5), "-35.5");
    EXPECT_EQ(formatGeneral(123456789012345678.0), "1.23456789012346E+17");
    // Whole numbers either side of where the exponent starts.
    EXPECT_EQ(formatGeneral(-1001), "-1001");
    EXPECT_EQ(formatGeneral(999999999999999.0), "999999999999999");
    EXPECT_EQ(formatGeneral(1e15), "1E+15");
    EXPECT_EQ(formatGeneral(-1e15), "-1E+15");
}

// General format is "%.15g" with the exponent in capitals; the quick ways of writing
// whole numbers and short decimals must give exactly its text, at every magnitude.
TEST(FormatGeneral, AgreesWithFifteenDigitPrintingEverywhere) {
    auto printed = [](double v) {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.15g", v);
        return QString::fromLatin1(buf).replace('e', 'E');
    };
    std::mt19937_64 random(20261207);
    std::uniform_real_distribution<double> mantissa(-10, 10);
    std::uniform_int_distribution<int> exponent(-7, 17);
    std::uniform_int_distribution<int> cents(-100000000, 100000000);
    for (int i = 0; i < 200000; ++i) {
        const double any = mantissa(random) * std::pow(10.0, exponent(random));
        const double money = cents(random) / 100.0;  // what shop keepers type
        const double whole = std::trunc(any);
        for (double v : {any, money, whole, std::nextafter(any, 0.0), any / 3}) {
            const QString shown = formatGeneral(v);
            ASSERT_EQ(shown.toStdString(), v == 0 ? "0" : printed(v).toStdString()) << v;
            // A total may take such a value as it is, and still add what is shown.
            if (shownExactly(v)) {
                ASSERT_EQ(parseDecimal(QStringView(shown)), v) << v;
            }
        }
        ASSERT_TRUE(shownExactly(money)) << money;
    }
    for (double v : {1e-4, 9.99999999999999e-5, 0.000100000000000001, 999999999999999.9,
                     100000000000000.5, 1e15 - 1, 2.675, 1.0 / 3})
        EXPECT_EQ(formatGeneral(v).toStdString(), printed(v).toStdString()) << v;
}

TEST(FormatFixed2, RoundsHalvesAwayFromZero) {
    EXPECT_EQ(formatFixed2(1.0 / 8), "0.13");
    EXPECT_EQ(formatFixed2(-1.0 / 8), "-0.13");
    EXPECT_EQ(formatFixed2(2.675), "2.68");  // 2.67499999... in binary
    EXPECT_EQ(formatFixed2(1.005), "1.01");
    EXPECT_EQ(formatFixed2(0.005), "0.01");
    EXPECT_EQ(formatFixed2(0.004999), "0.00");
    EXPECT_EQ(formatFixed2(99.995), "100.00");
    EXPECT_EQ(formatFixed2(0), "0.00");
    EXPECT_EQ(formatFixed2(-0.001), "0.00");
    EXPECT_EQ(formatFixed2(15), "15.00");
    EXPECT_EQ(formatFixed2(-6), "-6.00");
    EXPECT_EQ(formatFixed2(1234567.891), "1234567.89");
    EXPECT_EQ(formatFixed2(1e-9), "0.00");
    EXPECT_EQ(roundMoney(10.0 / 3), 3.33);
    EXPECT_EQ(roundMoney(2.0 / 3), 0.67);
}

TEST(ShortestExact, WritesNumbersAsTheyReadBack) {
    auto text = [](double v) {
        std::string s;
        appendShortestExact(s, v);
        return s;
    };
    EXPECT_EQ(text(1230.5), "1230.5");
    EXPECT_EQ(text(98.35), "98.35");
    EXPECT_EQ(text(0.1), "0.1");
    EXPECT_EQ(text(100000), "100000");
    EXPECT_EQ(text(-3), "-3");
    EXPECT_EQ(text(0), "0");
    EXPECT_EQ(text(0.1 + 0.2), "0.30000000000000004");  // exact, so it reads back the same
    for (double v : {1e20, 1e-7, 123456.789, std::numeric_limits<double>::max(), 5e-324}) {
        EXPECT_EQ(std::strtod(text(v).c_str(), nullptr), v) << text(v);
    }
}

TEST(ValueRules, NumbersAndNumericTextsCompareAsNumbers) {
    const CellValue twelve = CellValue::fromNumber(12);
    EXPECT_TRUE(valueEquals(twelve, CellValue::fromText("12.0")));
    EXPECT_TRUE(valueEquals(CellValue::fromText("012"), twelve));
    EXPECT_FALSE(valueEquals(twelve, CellValue::fromNumber(12.5)));
    // Two texts compare byte for byte.
    EXPECT_FALSE(valueEquals(CellValue::fromText("12"), CellValue::fromText("12.0")));
    EXPECT_FALSE(valueEquals(CellValue::fromText("Cola"), CellValue::fromText("cola")));
}

TEST(ValueRules, EmptyOrNonNumericCannotTakePart) {
    try {
        valueEquals(CellValue::fromText("可乐"), CellValue::fromNumber(1));
        FAIL() << "no error";
    } catch (const StoreError& e) {
        EXPECT_TRUE(e.message().contains("可乐")) << e.message().toStdString();
    }
    EXPECT_THROW(valueEquals(CellValue(), CellValue::fromNumber(0)), StoreError);
    EXPECT_THROW(valueEquals(CellValue::fromText("1.2.3"), CellValue::fromNumber(1)), StoreError);
    // Read as a quantity, an empty cell is 0; a bad text still is not.
    EXPECT_EQ(readNumber(CellValue()), 0.0);
    EXPECT_THROW(readNumber(CellValue::fromText("x")), StoreError);
}

TEST(ValueRules, BelowComparesNumbersAsNumbersAndTextsAsTextsAndNeverFails) {
    const CellValue five = CellValue::fromNumber(5);
    EXPECT_TRUE(valueBelow(CellValue::fromNumber(3), five));
    EXPECT_FALSE(valueBelow(five, five));
    EXPECT_FALSE(valueBelow(CellValue::fromNumber(6), five));
    // A numeric text against a number counts as its number: "10" is not below 9 as text.
    EXPECT_FALSE(valueBelow(CellValue::fromText("10"), CellValue::fromNumber(9)));
    EXPECT_TRUE(valueBelow(CellValue::fromText("10"), CellValue::fromText("9")));
    // An empty alarm level is no alarm level; neither side can take part, so not below.
    EXPECT_FALSE(valueBelow(five, CellValue()));
    EXPECT_FALSE(valueBelow(CellValue(), five));
    EXPECT_FALSE(valueBelow(CellValue::fromText("五"), CellValue::fromNumber(9)));
}

TEST(ValueRules, PostedFiguresCarryNoBinaryDustAndNoInfinity) {
    EXPECT_EQ(sumForBook(0.1 + 0.2), 0.3);
    EXPECT_EQ(sumForBook(0.3 - 0.1 - 0.1 - 0.1), 0.0);
    EXPECT_FALSE(std::signbit(sumForBook(0.3 - 0.1 - 0.1 - 0.1))) << "no -0 in a book";
    EXPECT_EQ(sumForBook(-1.0000005), -1.000001);  // halves away from zero
    EXPECT_EQ(sumForBook(123456789.125), 123456789.125);
    EXPECT_EQ(moneyForBook(0.125), 0.13);
    const double huge = std::numeric_limits<double>::max();
    EXPECT_THROW(sumForBook(huge + huge), StoreError);
    EXPECT_THROW(moneyForBook(110 * 1e307), StoreError);
    EXPECT_THROW(moneyForBook(std::nan("")), StoreError);
}

TEST(Conditions, EqualsIsValueEqualityWithTheTypedText) {
    const Condition eq = conditionNamed("等于");
    ASSERT_EQ(eq, Condition::Equals);
    const CellValue twelve = CellValue::fromNumber(12);
    for (const char* typed : {"12", "12.0", "012", " 12"})
        EXPECT_TRUE(valueMeets(twelve, eq, typed)) << typed;
    EXPECT_FALSE(valueMeets(twelve, eq, "13"));
    // A text cell wants the same text, as typed: blanks and case count.
    EXPECT_TRUE(valueMeets(CellValue::fromText("可乐"), eq, "可乐"));
    EXPECT_FALSE(valueMeets(CellValue::fromText("可乐"), eq, "可乐 "));
    EXPECT_FALSE(valueMeets(CellValue::fromText("012"), eq, "12"));
    // What cannot be compared does not match, and the listing goes on.
    EXPECT_FALSE(valueMeets(CellValue(), eq, "12"));
    EXPECT_FALSE(valueMeets(CellValue(), eq, ""));
    EXPECT_FALSE(valueMeets(CellValue::fromNumber(123), eq, "张三"));
}

TEST(Conditions, LettersAgainstANumberColumnAreRefusedBeforeTheSearch) {
    const Condition eq = conditionNamed("等于");
    EXPECT_EQ(numberSearchRefusal(eq, "A01", "商品编号"),
              "查询内容“A01”不是有效的数字，不能与商品编号比较");
    EXPECT_EQ(numberSearchRefusal(eq, " 1001", "商品编号"), "");
    EXPECT_EQ(numberSearchRefusal(conditionNamed("包含"), "A01", "商品编号"), "");
}

TEST(Conditions, ContainsLooksIntoTheTextTheGridShows) {
    const Condition has = conditionNamed("包含");
    ASSERT_EQ(has, Condition::Contains);
    for (double code : {10.0, 1001.0, 2100.0, 110.0})
        EXPECT_TRUE(valueMeets(CellValue::fromNumber(code), has, "10")) << code;
    EXPECT_FALSE(valueMeets(CellValue::fromNumber(1.0), has, "1.0"));  // shown as "1"
    EXPECT_TRUE(valueMeets(CellValue::fromNumber(2.5), has, "2.5"));
    EXPECT_FALSE(valueMeets(CellValue::fromText("Cola"), has, "cola"));
    EXPECT_FALSE(valueMeets(CellValue(), has, " "));
    EXPECT_NO_THROW(valueMeets(CellValue::fromText("abc"), has, "1"));
}

TEST(Conditions, AnyOtherTextMatchesNothing) {
    for (const char* typed : {"", "等于 ", "大于", "Equals"}) {
        EXPECT_EQ(conditionNamed(typed), Condition::None) << typed;
        EXPECT_FALSE(valueMeets(CellValue::fromNumber(12), conditionNamed(typed), "12"));
    }
}

TEST(CellValue, EmptyTextIsAnEmptyCell) {
    EXPECT_TRUE(CellValue::fromText("").isEmpty());
    EXPECT_EQ(CellValue::fromNumber(2.5).displayText(), "2.5");
    EXPECT_EQ(CellValue().displayText(), "");
}

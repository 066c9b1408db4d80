#include <gtest/gtest.h>

#include "store/print/HeaderCodes.h"

using store::print::expandHeaderCodes;
using store::print::HeaderFields;

namespace {

HeaderFields fields() {
    HeaderFields f;
    f.page = 2;
    f.pageCount = 5;
    f.now = QDateTime(QDate(2011, 5, 3), QTime(9, 7, 30));
    f.sheetName = QStringLiteral("Sheet1");
    f.fileName = QStringLiteral("tvbaocun.dat");
    f.folder = QStringLiteral("/opt/tavelo/");
    return f;
}

QString expand(const char* code) {
    return expandHeaderCodes(QString::fromUtf8(code), fields());
}

}  // namespace

TEST(HeaderCodes, PlainTextIsKeptAsTyped) {
    EXPECT_EQ(expand("库存清单  2011-05-03"), QStringLiteral("库存清单  2011-05-03"));
    EXPECT_EQ(expand(" "), QStringLiteral(" "));
    EXPECT_EQ(expand(""), QString());
}

TEST(HeaderCodes, DoubledAmpersandIsALiteralAndNeverStartsACode) {
    EXPECT_EQ(expand("甲&&乙"), QStringLiteral("甲&乙"));
    EXPECT_EQ(expand("&&P"), QStringLiteral("&P"));
    EXPECT_EQ(expand("&&&P"), QStringLiteral("&2"));
    EXPECT_EQ(expand("A&&&&B"), QStringLiteral("A&&B"));
}

TEST(HeaderCodes, FieldsAreFilledIn) {
    EXPECT_EQ(expand("第&P页 共&N页"), QStringLiteral("第2页 共5页"));
    EXPECT_EQ(expand("&p/&n"), QStringLiteral("2/5"));
    EXPECT_EQ(expand("&D &T"), QStringLiteral("2011/5/3 9:07"));
    EXPECT_EQ(expand("&A-&F"), QStringLiteral("Sheet1-tvbaocun.dat"));
    EXPECT_EQ(expand("&Z&F"), QStringLiteral("/opt/tavelo/tvbaocun.dat"));
}

TEST(HeaderCodes, FormattingCodesLeaveNoTrace) {
    EXPECT_EQ(expand("&\"宋体,加粗\"&12销货清单"), QStringLiteral("销货清单"));
    EXPECT_EQ(expand("&B&I&U粗&B体&E&S&X&Y&O&H"), QStringLiteral("粗体"));
    EXPECT_EQ(expand("&14&P"), QStringLiteral("2"));
    EXPECT_EQ(expand("&KFF0000红&K01+033字"), QStringLiteral("红字"));
    EXPECT_EQ(expand("&L左&C中&R右"), QStringLiteral("左中右"));
    EXPECT_EQ(expand("&\"Arial"), QString());  // unterminated font name
    EXPECT_EQ(expand("末尾&"), QStringLiteral("末尾"));
}

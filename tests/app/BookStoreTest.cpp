#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/BookStore.h"
#include "store/StoreError.h"
#include "ui/Clock.h"

namespace {

void writeSettings(const QTemporaryDir& dir, const QByteArray& text) {
    QFile file(dir.filePath("tvstorekeep.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

// A till meant for the server must not quietly post into books of its own.
TEST(BookStore, ADatabaseSectionNamingNoServerIsRefusedAndOpensNothing) {
    const struct {
        const char* settings;
        const char* named;
    } cases[] = {
        {"[database]\nbackend= Postgres \nconninfo=host=shop\n", "backend=Postgres"},
        {"[DATABASE]\nBackend= PostgreSQL \nconninfo=  \n", "conninfo"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.settings);
        QTemporaryDir dir;
        writeSettings(dir, c.settings);
        ui::AppContext context;
        context.programDir = dir.path() + "/";
        try {
            app::chooseBookStore(context, nullptr);
            ADD_FAILURE() << "accepted";
        } catch (const store::StoreError& e) {
            EXPECT_TRUE(e.message().contains(c.named)) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(dir.filePath("tvstorekeep.ini")));
        }
        EXPECT_FALSE(context.servers);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList{"tvstorekeep.ini"});
    }
    // Spelled out, the workbooks are what a missing section gives.
    QTemporaryDir dir;
    writeSettings(dir, "[database]\nbackend= Workbooks \nconninfo=host=shop\n");
    const ui::FixedClock clock(QDate(2024, 5, 6));
    ui::AppContext context;
    context.programDir = dir.path() + "/";
    context.clock = &clock;
    app::chooseBookStore(context, nullptr);
    EXPECT_FALSE(context.database);
    EXPECT_TRUE(context.servers);
}

}  // namespace

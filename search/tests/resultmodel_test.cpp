#include "search/resultmodel.h"

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "db/query.h"
#include "testsupport/codedb.h"

using namespace search;
using TestDb = testsupport::CodeDb;

namespace {

void FillCodes(TestDb& db, int count) {
    db.connection.exec("BEGIN");
    for (int i = 0; i < count; ++i) {
        char no[16];
        std::snprintf(no, sizeof no, "A%05d", i);
        db.code(no, "名稱", "name", "Y", i == 7 ? "D" : "");
    }
    db.connection.exec("COMMIT");
}

} // namespace

TEST(ResultModel, readsBatchesAsTheGridAsksForThem) {
    TestDb db;
    FillCodes(db, 600);
    db::Query q(db.connection);
    q.setText("SELECT ICD10_NO,ICD10_CNAME,ICD10_ENAME,ICD10_FLAG,ICD10_2023FLAG,ICD10_2023NEW FROM ICD10 "
              "ORDER BY ICD10_NO");
    q.open();
    ResultModel model;
    model.attach(&q);
    EXPECT_EQ(model.rowCount(), ResultModel::FirstScreenRows); // the first screen only
    EXPECT_TRUE(model.canFetchMore());
    EXPECT_EQ(model.index(7, 4).data().toString(), QStringLiteral("名稱(2023刪除)"));
    EXPECT_EQ(model.index(7, 0).data().toString(), QStringLiteral("D"));
    model.fetchMore();
    EXPECT_EQ(model.rowCount(), ResultModel::FirstScreenRows + ResultModel::BatchSize);
    model.fetchMore();
    model.fetchMore();
    EXPECT_EQ(model.rowCount(), 600);
    EXPECT_FALSE(model.canFetchMore());
    EXPECT_EQ(model.row(599)->code, "A00599");
    EXPECT_FALSE(model.row(600));

    model.setCurrentRow(3);
    EXPECT_FALSE(model.headerData(3, Qt::Vertical).toString().isEmpty());
    EXPECT_TRUE(model.headerData(4, Qt::Vertical).toString().isEmpty());

    model.clear();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(model.canFetchMore());
    EXPECT_EQ(model.currentRow(), -1);
}

TEST(ResultModel, closedOrEmptyQuery_showsNoRows) {
    TestDb db;
    db::Query q(db.connection);
    ResultModel model;
    model.attach(&q);
    EXPECT_EQ(model.rowCount(), 0);
    q.setText("SELECT * FROM ICD10");
    q.open();
    model.attach(&q);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(model.canFetchMore());
}

TEST(ResultModel, passesTheModelChecks) {
    TestDb db;
    FillCodes(db, 300);
    db::Query q(db.connection);
    q.setText("SELECT ICD10_NO,ICD10_CNAME,ICD10_ENAME,ICD10_FLAG,ICD10_2023FLAG,ICD10_2023NEW FROM ICD10");
    q.open();
    ResultModel model;
    model.attach(&q);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    while (model.canFetchMore())
        model.fetchMore();
    EXPECT_EQ(model.rowCount(), 300);
    model.clear();
}

// More than 10,000 rows: the first screen at once, the rest in several slices
// on the event loop, handed to the grid together rather than slice by slice,
// the count and the last row right at the end; a new query stops the reading
// of the old one.
TEST(ResultModel, readsTheRestInTheBackgroundAndStopsForANewQuery) {
    TestDb db;
    FillCodes(db, 12345);
    const std::string statement =
        "SELECT ICD10_NO,ICD10_CNAME,ICD10_ENAME,ICD10_FLAG,ICD10_2023FLAG,ICD10_2023NEW FROM ICD10 ORDER BY "
        "ICD10_NO";
    db::Query q(db.connection), other(db.connection);
    q.setText(statement);
    q.open();
    ResultModel model;
    QSignalSpy reads(&model, &ResultModel::rowsRead);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    model.attach(&q);
    EXPECT_EQ(model.rowCount(), ResultModel::FirstScreenRows);
    QElapsedTimer clock;
    clock.start();
    while (!model.isComplete() && clock.elapsed() < 10000)
        QCoreApplication::processEvents();
    ASSERT_TRUE(model.isComplete());
    EXPECT_EQ(model.rowCount(), 12345);
    EXPECT_EQ(model.row(12344)->code, "A12344");
    ASSERT_GE(reads.size(), 2); // the first screen, then the rest
    // At least seven slices of SliceRows, but the grid got rows only once per
    // ShowEveryMilliseconds and at the end.
    EXPECT_LE(inserted.size(), 2 + clock.elapsed() / ResultModel::ShowEveryMilliseconds);
    EXPECT_TRUE(reads.back().at(1).toBool());
    EXPECT_FALSE(reads.front().at(1).toBool());

    // Reading q again is under way when another query takes its place: q is
    // left where it was and the rows are the new query's alone.
    q.open();
    model.attach(&q);
    other.setText(statement + " LIMIT 5");
    other.open();
    model.attach(&other);
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(model.rowCount(), 5);
    EXPECT_FALSE(q.eof());
    EXPECT_EQ(q.field("ICD10_NO"), "A00040"); // the next row after the first screen, untouched

    // Ctrl+End's reading of everything at once.
    model.attach(&q);
    model.fetchAll();
    EXPECT_EQ(model.rowCount(), 12345 - ResultModel::FirstScreenRows);
    model.clear();
}

#include "search/resultmodel.h"

#include <QAbstractItemModelTester>
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
    EXPECT_EQ(model.rowCount(), ResultModel::BatchSize); // the first screen only
    EXPECT_TRUE(model.canFetchMore());
    EXPECT_EQ(model.index(7, 4).data().toString(), QStringLiteral("名稱(2023刪除)"));
    EXPECT_EQ(model.index(7, 0).data().toString(), QStringLiteral("D"));
    model.fetchMore();
    model.fetchMore();
    EXPECT_EQ(model.rowCount(), 600);
    EXPECT_FALSE(model.canFetchMore());
    EXPECT_EQ(model.row(599)->code, "A00599");
    EXPECT_EQ(model.row(600), nullptr);

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

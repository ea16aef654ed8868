#include <QAbstractItemModelTester>
#include <gtest/gtest.h>

#include "db/query.h"
#include "tree/tests/treedb.h"
#include "tree/treebuild.h"
#include "tree/treemodel.h"

using namespace tree;

TEST(TreeModel, passesTheModelTesterThroughEveryKindOfBuild) {
    treetest::CodeDb db;
    db.add("A00", "霍亂", "N");
    db.add("A000", "霍亂弧菌霍亂");
    db.add("A01", "傷寒", "N");
    db.add("A010", "傷寒", "N");
    db.add("A0100", "傷寒未明示");
    TreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);

    db::Query q(db.conn);
    model.fill([&](Tree& t) { BuildResultTree(t, "A0", "A0", q, {}); });
    EXPECT_EQ(model.rowCount(), 2);
    const QModelIndex a01 = model.index(1, 0);
    EXPECT_EQ(a01.data().toString(), QStringLiteral("A01 傷寒"));
    const QModelIndex a0100 = model.index(0, 0, model.index(0, 0, a01));
    EXPECT_EQ(a0100.data().toString(), QStringLiteral("A0100 傷寒未明示"));
    EXPECT_EQ(a0100.parent().parent(), a01);
    EXPECT_FALSE(model.hasChildren(a0100));
    EXPECT_FALSE(model.index(5, 0).isValid());
    EXPECT_FALSE(model.index(0, 1).isValid());
    EXPECT_EQ(model.node(a01)->text, "A01 傷寒");
    EXPECT_EQ(model.indexOf(model.node(a0100)), a0100);
    EXPECT_TRUE(model.hasAnyChildren());

    model.fill([&](Tree& t) { BuildOutlineTree(t, true); });
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.rowCount(model.index(0, 0)), 2);

    model.fill([&](Tree& t) { AddCodeSubtree(t, nullptr, "A01", "傷寒", db.conn); });
    EXPECT_EQ(model.index(0, 0, model.index(0, 0, model.index(0, 0))).data().toString(),
              QStringLiteral("A0100 傷寒未明示"));

    model.fill([](Tree&) {});
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(model.hasAnyChildren());
}

TEST(TreeModel, builderErrorKeepsWhatWasAddedAndPropagates) {
    TreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_THROW(model.fill([](Tree& t) {
        t.addTopLevel("kept");
        throw db::Error("engine says no");
    }),
                 db::Error);
    ASSERT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.index(0, 0).data().toString(), QStringLiteral("kept"));
}

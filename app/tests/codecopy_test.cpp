#include "app/widgets/codecopy.h"

#include <QApplication>
#include <QClipboard>
#include <QHelpEvent>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>

using namespace app;

TEST(CodeCopy, codesAreCopiedAsCodersWriteThem) {
    EXPECT_EQ(CopyTextOfCode("S93401A"), QStringLiteral("S93.401A"));
    EXPECT_EQ(CopyTextOfCode("M545"), QStringLiteral("M54.5"));
    EXPECT_EQ(CopyTextOfCode("A00"), QStringLiteral("A00"));
    EXPECT_EQ(CopyTextOfCode("SA00"), QStringLiteral("SA00")); // ICD-11: no dot added
    EXPECT_EQ(CopyTextOfCode("A00-A09"), QStringLiteral("A00-A09"));
    EXPECT_EQ(CopyTextOfCodeAndName({"S93401A", QStringLiteral("右踝扭傷")}),
              QStringLiteral("S93.401A 右踝扭傷"));
    EXPECT_EQ(CopyTextOfCodeAndName({"A00", QString()}), QStringLiteral("A00"));

    const CopiedCode node = CodeOfText("S93401A 右踝扭傷，初期照護");
    EXPECT_EQ(node.code, "S93401A");
    EXPECT_EQ(node.name, QStringLiteral("右踝扭傷，初期照護"));
    EXPECT_EQ(CodeOfText("A00-A09  腸道感染").code, "A00-A09");
    EXPECT_EQ(CodeOfText("M545").name, QString());
    EXPECT_TRUE(CodeOfText("第1章 某些傳染病").code.empty());
    EXPECT_TRUE(CodeOfText("   ").code.empty());
}

TEST(CodeCopy, ctrlCAndTheMenuActionsCopyWhatIsCurrent) {
    QTableView view;
    CopiedCode current{"S93401A", QStringLiteral("右踝扭傷")};
    InstallCodeCopy(&view, [&] { return current; });
    view.show();
    view.setFocus();
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("S93.401A"));
    ASSERT_EQ(view.actions().size(), 2);
    EXPECT_EQ(view.actions()[1]->text(), QStringLiteral("複製代碼與名稱"));
    view.actions()[1]->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("S93.401A 右踝扭傷"));
    EXPECT_EQ(view.contextMenuPolicy(), Qt::CustomContextMenu);
    // Nothing current: the clipboard keeps what it had.
    current = {};
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("S93.401A 右踝扭傷"));
}

TEST(CutTextToolTipDelegate, showsTheWholeTextOnlyWhereTheColumnCutsIt) {
    QStandardItemModel model(1, 2);
    const QString longName = QStringLiteral("足趾足踝韌帶關節脫臼扭傷，未明示側，初期照護");
    model.setItem(0, 0, new QStandardItem(longName));
    model.setItem(0, 1, new QStandardItem(QStringLiteral("短")));
    QTableView view;
    view.setModel(&model);
    auto* delegate = new CutTextToolTipDelegate(&view);
    view.setItemDelegate(delegate);
    view.setColumnWidth(0, 60);
    view.setColumnWidth(1, 200);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    for (int column : {1, 0}) {
        const QModelIndex index = model.index(0, column);
        QStyleOptionViewItem option;
        option.initFrom(view.viewport());
        option.rect = view.visualRect(index);
        option.font = view.font();
        option.fontMetrics = view.fontMetrics();
        QHelpEvent event(QEvent::ToolTip, option.rect.center(),
                         view.viewport()->mapToGlobal(option.rect.center()));
        EXPECT_TRUE(delegate->helpEvent(&event, &view, option, index));
        if (column == 0) {
            EXPECT_EQ(QToolTip::text(), longName);
        } else {
            EXPECT_FALSE(QToolTip::isVisible());
        }
    }
}

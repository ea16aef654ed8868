#include "quiz/quizwindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <gtest/gtest.h>

#include "app/widgets/imagebutton.h"
#include "quiz/tests/quiztestsupport.h"
#include "testsupport/testsupport.h"
#include "ui_quizwindow.h"
#include "testsupport/fakes.h"

using quiztest::Cp950;

namespace {

// A quiz window over a question file in a temporary folder, draws fixed so the
// questions come in file order (every transposition draws equal positions).
struct QuizWindow {
    explicit QuizWindow(const std::string& bank) {
        if (!bank.empty()) testsupport::WriteFile(dir.file("qa.txt"), bank);
        context.exeDir = dir.path().string();
        window = std::make_unique<quiz::QuizWindow>(context);
        window->setRandomSource(random);
    }
    Ui::QuizWindow& ui() { return window->ui(); }
    QString question() { return ui().questionLabel->text(); }
    void click(app::ImageButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
    // Answers the question on screen rightly (keys of quiztest::Bank cycle 1-4).
    void answerRightly() {
        int k = window->session().current();
        const std::string& key =
            window->session().bank().line(window->session().order()[std::size_t(k - 1)] + 1);
        click(window->answerPicture(key[2] - '0'));
    }

    testsupport::TempDir dir;
    testsupport::RecordingMessages messages;
    app::AppContext context{messages, app::NullDesktop::Instance()};
    quiztest::ScriptedRandom random;
    std::unique_ptr<quiz::QuizWindow> window;
};

} // namespace

TEST(QuizWindow, fixedCentredWindowWithItsLayout) {
    QuizWindow w(quiztest::Bank(12));
    EXPECT_EQ(w.window->windowTitle(), QStringLiteral("ICD-10評量測驗"));
    EXPECT_EQ(w.window->size(), QSize(712, 514));
    EXPECT_EQ(w.window->minimumSize(), w.window->maximumSize());
    EXPECT_EQ(w.window->font().family(), QStringLiteral("標楷體"));
    EXPECT_EQ(w.window->font().pixelSize(), 27);
    EXPECT_EQ(w.ui().buttonColumn->geometry(), QRect(0, 0, 69, 514));
    EXPECT_EQ(w.ui().questionLabel->geometry(), QRect(20, 20, 603, 99));
    // The four answer rows stacked under the question.
    int top = 119;
    for (int n = 1; n <= 4; ++n) {
        EXPECT_EQ(w.window->answerRow(n)->geometry(), QRect(20, top, 603, 78)) << n;
        EXPECT_EQ(w.window->answerPicture(n)->size(), QSize(60, 60));
        EXPECT_EQ(w.window->answerLabel(n)->size(), QSize(514, 74));
        top += 78;
    }
    for (app::ImageButton* b : {w.ui().newQuizButton, w.ui().previousButton, w.ui().closeButton})
        EXPECT_EQ(b->size(), QSize(60, 60));
    EXPECT_EQ(w.ui().wholeBankLabel->text(), QStringLiteral("全部題庫"));
    EXPECT_FALSE(w.ui().wholeBankBox->isChecked());
    EXPECT_TRUE(w.ui().reportBox->isHidden());
    EXPECT_EQ(w.ui().reportBox->font().pixelSize(), 21);
    EXPECT_FALSE(w.ui().newQuizButton->picture().isNull());
}

TEST(QuizWindow, firstActivationLoadsTheBankOnceAndAsksQuestionOne) {
    QuizWindow w(quiztest::Bank(12));
    w.context.activeWindowNo = 0;
    w.window->onActivated();
    EXPECT_EQ(w.context.activeWindowNo, 4);
    EXPECT_EQ(w.random.seeds, 1);
    EXPECT_EQ(w.question(), QStringLiteral("問題1/10\n題1"));
    EXPECT_EQ(w.window->answerLabel(2)->text(), QStringLiteral("題1乙"));
    EXPECT_EQ(w.window->answerLabel(1)->font().pointSize(), 20);
    EXPECT_TRUE(w.messages.shown.empty());

    w.click(w.ui().answerButton3);
    EXPECT_EQ(w.question(), QStringLiteral("問題2/10\n題2"));
    // Later activations neither reseed nor reload.
    testsupport::WriteFile(w.dir.file("qa.txt"), quiztest::Bank(3));
    w.window->onActivated();
    EXPECT_EQ(w.random.seeds, 1);
    EXPECT_EQ(w.question(), QStringLiteral("問題2/10\n題2"));
}

TEST(QuizWindow, answeringToTheEndWritesTheReportAndPreviousLeavesIt) {
    QuizWindow w(quiztest::Bank(3));
    w.window->onActivated();
    w.answerRightly();
    w.click(w.ui().answerButton4); // question 2's key is 2
    w.answerRightly();
    EXPECT_FALSE(w.ui().reportBox->isHidden());
    for (int n = 1; n <= 4; ++n)
        EXPECT_TRUE(w.window->answerRow(n)->isHidden());
    EXPECT_EQ(w.question(), QStringLiteral("您可以再更好喔,評量分數為:67分"));
    QStringList lines = w.ui().reportBox->toPlainText().split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 27);
    EXPECT_EQ(lines[0], QStringLiteral("答對2題"));
    EXPECT_EQ(lines[8], QStringLiteral("答錯,您回答:4.題2丁"));
    EXPECT_EQ(lines[11], QString());
    EXPECT_EQ(lines[26], QStringLiteral("----------------------------------"));

    w.click(w.ui().previousButton);
    EXPECT_TRUE(w.ui().reportBox->isHidden());
    EXPECT_FALSE(w.window->answerRow(1)->isHidden());
    EXPECT_EQ(w.question(), QStringLiteral("問題2/3\n題2"));
    w.click(w.ui().previousButton);
    w.click(w.ui().previousButton); // at question 1 nothing happens
    EXPECT_EQ(w.question(), QStringLiteral("問題1/3\n題1"));

    w.click(w.ui().newQuizButton); // new quiz
    EXPECT_EQ(w.window->session().current(), 1);
    EXPECT_EQ(w.question(), QStringLiteral("問題1/3\n題1"));
}

TEST(QuizWindow, closingOnQuestionSixAndReopeningResumes) {
    QuizWindow w(quiztest::Bank(12));
    w.window->showWindow();
    w.window->onActivated();
    for (int k = 1; k <= 5; ++k)
        w.click(w.ui().answerButton2);
    const auto order = w.window->session().order();
    EXPECT_EQ(w.question(), QStringLiteral("問題6/10\n題6"));

    w.click(w.ui().closeButton);
    EXPECT_FALSE(w.window->isVisible());
    EXPECT_EQ(w.context.activeWindowNo, 0);

    w.window->showWindow();
    w.window->onActivated();
    EXPECT_EQ(w.context.activeWindowNo, 4);
    EXPECT_EQ(w.question(), QStringLiteral("問題6/10\n題6"));
    EXPECT_EQ(w.window->session().order(), order);
    for (int k = 1; k <= 5; ++k)
        EXPECT_EQ(w.window->session().choice(k), "A:2");
}

TEST(QuizWindow, wholeBankOptionByBoxOrLabelStartsANewQuiz) {
    QuizWindow w(quiztest::Bank(25));
    w.window->onActivated();
    w.click(w.ui().answerButton1);
    w.ui().wholeBankBox->click();
    EXPECT_TRUE(w.window->session().wholeBank());
    EXPECT_EQ(w.question(), QStringLiteral("問題1/25\n題1"));

    QTest::mouseClick(w.ui().wholeBankLabel, Qt::LeftButton);
    EXPECT_FALSE(w.ui().wholeBankBox->isChecked());
    EXPECT_FALSE(w.window->session().wholeBank());
    EXPECT_EQ(w.question(), QStringLiteral("問題1/10\n題1"));
    QTest::mouseClick(w.ui().wholeBankLabel, Qt::LeftButton);
    EXPECT_TRUE(w.ui().wholeBankBox->isChecked());
    EXPECT_EQ(w.window->session().length(), 25);
}

TEST(QuizWindow, missingFileIsReportedAndTheWindowStaysUsable) {
    QuizWindow w("");
    w.window->onActivated();
    ASSERT_EQ(w.messages.shown.size(), 1u);
    EXPECT_EQ(w.messages.shown[0], "Cannot open file " + w.dir.file("qa.txt"));
    w.click(w.ui().answerButton1); // nothing to answer
    w.click(w.ui().previousButton);
    EXPECT_EQ(w.messages.shown.size(), 1u);

    testsupport::WriteFile(w.dir.file("qa.txt"), quiztest::Bank(4));
    w.click(w.ui().newQuizButton);
    EXPECT_EQ(w.question(), QStringLiteral("問題1/4\n題1"));
    EXPECT_EQ(w.messages.shown.size(), 1u);
}

TEST(QuizWindow, bankWithoutQuestionsOrWithABadKeyIsReported) {
    QuizWindow w(quiztest::Bank(2));
    w.window->onActivated();
    w.click(w.ui().answerButton1);
    w.click(w.ui().answerButton2);
    ASSERT_FALSE(w.ui().reportBox->isHidden());

    // No question: the rows come back, the labels keep their texts.
    testsupport::WriteFile(w.dir.file("qa.txt"), Cp950("本題庫尚無題目\r\n"));
    w.click(w.ui().newQuizButton);
    ASSERT_EQ(w.messages.shown.size(), 1u);
    EXPECT_EQ(w.messages.shown[0], "List index out of bounds (0)");
    EXPECT_TRUE(w.ui().reportBox->isHidden());
    EXPECT_FALSE(w.window->answerRow(1)->isHidden());
    EXPECT_EQ(w.window->answerLabel(1)->text(), QStringLiteral("題2甲"));
    w.click(w.ui().answerButton1);
    EXPECT_EQ(w.messages.shown.size(), 1u);

    // A key that names no answer: the report box is shown empty and the message says why.
    testsupport::WriteFile(w.dir.file("qa.txt"),
                           quiztest::Bank(1) + Cp950("Q:壞鍵\r\nA:?\r\n1.甲\r\n2.乙\r\n3.丙\r\n4.丁\r\n"));
    w.click(w.ui().newQuizButton);
    w.click(w.ui().answerButton1);
    EXPECT_EQ(w.question(), QStringLiteral("問題2/2\n壞鍵"));
    w.click(w.ui().answerButton1);
    ASSERT_EQ(w.messages.shown.size(), 2u);
    EXPECT_EQ(w.messages.shown[1], "'?' is not a valid integer value");
    EXPECT_FALSE(w.ui().reportBox->isHidden());
    EXPECT_TRUE(w.ui().reportBox->toPlainText().isEmpty());
    EXPECT_TRUE(w.window->answerRow(1)->isHidden());
    EXPECT_EQ(w.question(), QStringLiteral("問題2/2\n壞鍵"));
    w.click(w.ui().previousButton);
    EXPECT_EQ(w.question(), QStringLiteral("問題1/2\n題1"));
    EXPECT_FALSE(w.window->answerRow(1)->isHidden());
}

TEST(QuizWindow, longTextsGetSmallerFontsAndMarkupIsShownAsText) {
    std::string longAnswer(120, 'x');
    std::string bank = Cp950("Q:<b>粗</b>?\r\nA:1\r\n1.") + longAnswer + "\r\n2.b\r\n3.c\r\n4.d\r\n";
    QuizWindow w(bank);
    w.window->onActivated();
    EXPECT_EQ(w.question(), QStringLiteral("問題1/1\n<b>粗</b>?"));
    EXPECT_EQ(w.ui().questionLabel->textFormat(), Qt::PlainText);
    EXPECT_EQ(w.window->answerLabel(1)->font().pointSize(), 14);
    EXPECT_EQ(w.window->answerLabel(2)->font().pointSize(), 20);
}

TEST(QuizWindow, keysOneToFourAnswerAsThePicturesDo_onlyWhileAQuestionIsShown) {
    QuizWindow w(quiztest::Bank(3));
    w.window->showWindow();
    w.window->onActivated();
    EXPECT_TRUE(w.window->answerPicture(3)->toolTip().contains(QStringLiteral("按 3")));
    // From the window or from the focused check box, main keys or keypad.
    QTest::keyClick(w.window.get(), Qt::Key_3);
    EXPECT_EQ(w.window->session().choice(1), "A:3");
    QTest::keyClick(w.ui().wholeBankBox, Qt::Key_2, Qt::KeypadModifier);
    EXPECT_EQ(w.window->session().choice(2), "A:2");
    EXPECT_EQ(w.question(), QStringLiteral("問題3/3\n題3"));
    // Other digits and a key held down do nothing.
    QTest::keyClick(w.window.get(), Qt::Key_5);
    QTest::keyClick(w.window.get(), Qt::Key_0);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_1, Qt::NoModifier, QStringLiteral("1"), true);
    QApplication::sendEvent(w.window.get(), &repeat);
    EXPECT_EQ(w.question(), QStringLiteral("問題3/3\n題3"));
    QTest::keyClick(w.window.get(), Qt::Key_4);
    ASSERT_FALSE(w.ui().reportBox->isHidden());
    // On the report the answers are gone: a digit is only typed into the report.
    const QString verdict = w.question();
    QTest::keyClick(w.window.get(), Qt::Key_1);
    EXPECT_EQ(w.question(), verdict);
    EXPECT_EQ(w.window->session().choice(3), "A:4");
}

TEST(QuizWindow, aDoubleClickOnAnAnswerIsOneAnswer_andEscapeCloses) {
    QuizWindow w(quiztest::Bank(12));
    w.window->showWindow();
    w.window->onActivated();
    // The second press and release of a double-click would answer question 2,
    // which the user has not seen.
    app::ImageButton* a2 = w.ui().answerButton2;
    QTest::mousePress(a2, Qt::LeftButton);
    QTest::mouseRelease(a2, Qt::LeftButton);
    QTest::mouseDClick(a2, Qt::LeftButton);
    QTest::mouseRelease(a2, Qt::LeftButton);
    EXPECT_EQ(w.question(), QStringLiteral("問題2/10\n題2"));
    EXPECT_EQ(w.window->session().choice(1), "A:2");
    EXPECT_EQ(a2->pos(), w.window->answerPicture(1)->pos()) << "back in its place";
    // Other pictures keep acting twice on a double-click: back two questions.
    w.click(w.ui().answerButton1);
    w.click(w.ui().answerButton1);
    ASSERT_EQ(w.window->session().current(), 4);
    QTest::mousePress(w.ui().previousButton, Qt::LeftButton);
    QTest::mouseRelease(w.ui().previousButton, Qt::LeftButton);
    QTest::mouseDClick(w.ui().previousButton, Qt::LeftButton);
    QTest::mouseRelease(w.ui().previousButton, Qt::LeftButton);
    EXPECT_EQ(w.window->session().current(), 2);

    w.context.activeWindowNo = 4;
    QTest::keyClick(w.ui().wholeBankBox, Qt::Key_Escape);
    EXPECT_FALSE(w.window->isVisible());
    EXPECT_EQ(w.context.activeWindowNo, 0);
}

TEST(QuizWindow, fileErrorWithTheDoNothingMessageServiceLeavesTheWindowAsItWas) {
    testsupport::TempDir dir;
    app::AppContext context; // messages go nowhere, as in a benchmark
    context.exeDir = dir.path().string();
    quiz::QuizWindow window(context);
    window.onActivated(); // no qa.txt
    EXPECT_TRUE(window.ui().reportBox->isHidden());
    EXPECT_EQ(window.session().length(), 0);
}

namespace {

// A bank of three questions, keys 1, 2, 3, each explained ("E:說明<i>").
std::string ExplainedBank() {
    std::string s;
    for (int i = 1; i <= 3; ++i)
        s += quiztest::Block("題" + std::to_string(i), i) + "E:說明" + std::to_string(i) + "\r\n";
    return Cp950(s);
}

// Keeps a picture of the window in ICD_SCREENSHOT_DIR when that names a folder.
void KeepPicture(QWidget& window, const QString& name) {
    const QImage picture = window.grab().toImage();
    EXPECT_EQ(picture.size(), window.size());
    const QByteArray dir = qgetenv("ICD_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        EXPECT_TRUE(picture.save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + name));
    }
}

} // namespace

TEST(QuizWindow, theReportShowsEachWrongAnswerWithItsExplanation) {
    QuizWindow w(ExplainedBank());
    w.window->onActivated();
    EXPECT_FALSE(w.ui().practiceBox->isChecked());
    w.answerRightly();
    w.click(w.ui().answerButton4); // question 2's key is 2
    // Outside practice mode an answer is never judged before the report.
    EXPECT_TRUE(w.ui().feedbackPanel->isHidden());
    EXPECT_EQ(w.question(), QStringLiteral("問題3/3\n題3"));
    w.answerRightly();
    const QStringList lines = w.ui().reportBox->toPlainText().split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 12);
    EXPECT_EQ(lines[8], QStringLiteral("答錯,您回答:4.題2丁"));
    EXPECT_EQ(lines[9], QStringLiteral("正確答案應為:2.題2乙"));
    EXPECT_EQ(lines[10], QStringLiteral("說明:說明2"));
    EXPECT_EQ(lines[11], QStringLiteral("----------------------------------"));
    EXPECT_EQ(lines.filter(QStringLiteral("說明:")).size(), 1);
    KeepPicture(*w.window, QStringLiteral("quiz-report.png"));
}

TEST(QuizWindow, practiceModeJudgesAndExplainsEachAnswerBeforeTheNext) {
    QuizWindow w(ExplainedBank());
    w.window->showWindow();
    w.window->onActivated();
    EXPECT_EQ(w.ui().practiceLabel->text(), QStringLiteral("練習模式"));
    w.click(w.ui().answerButton1);
    // Turning practice on, by its caption as by its box, starts a new quiz.
    QTest::mouseClick(w.ui().practiceLabel, Qt::LeftButton);
    ASSERT_TRUE(w.ui().practiceBox->isChecked());
    EXPECT_TRUE(w.window->session().practice());
    EXPECT_EQ(w.question(), QStringLiteral("問題1/3\n題1"));

    w.click(w.ui().answerButton2); // wrong: the key is 1
    ASSERT_FALSE(w.ui().feedbackPanel->isHidden());
    for (int n = 1; n <= 4; ++n)
        EXPECT_TRUE(w.window->answerRow(n)->isHidden());
    EXPECT_EQ(w.question(), QStringLiteral("問題1/3\n題1")) << "the question stays on screen";
    EXPECT_EQ(w.ui().resultLabel->text(), QStringLiteral("答錯了。"));
    EXPECT_EQ(w.ui().feedbackBox->toPlainText(),
              QStringLiteral("答錯,您回答:2.題1乙\n正確答案應為:1.題1甲\n說明:說明1"));
    EXPECT_EQ(w.ui().nextButton->text(), QStringLiteral("下一題"));
    KeepPicture(*w.window, QStringLiteral("quiz-practice.png"));
    // A digit cannot change the answer while it is judged; Enter goes on.
    QTest::keyClick(w.window.get(), Qt::Key_1);
    EXPECT_EQ(w.window->session().choice(1), "A:2");
    QTest::keyClick(w.window.get(), Qt::Key_Return);
    EXPECT_EQ(w.question(), QStringLiteral("問題2/3\n題2"));
    EXPECT_FALSE(w.window->answerRow(1)->isHidden());
    EXPECT_TRUE(w.ui().feedbackPanel->isHidden());

    w.answerRightly();
    EXPECT_EQ(w.ui().resultLabel->text(), QStringLiteral("答對了！"));
    EXPECT_EQ(w.ui().feedbackBox->toPlainText(), QStringLiteral("答對:2.題2乙\n說明:說明2"));
    // Back from a feedback: the question before, answered afresh.
    w.click(w.ui().previousButton);
    EXPECT_EQ(w.question(), QStringLiteral("問題1/3\n題1"));
    w.answerRightly();
    w.ui().nextButton->click();
    w.answerRightly();
    w.ui().nextButton->click();
    w.answerRightly();
    EXPECT_EQ(w.ui().nextButton->text(), QStringLiteral("看成績"));
    w.ui().nextButton->click();
    ASSERT_FALSE(w.ui().reportBox->isHidden());
    EXPECT_TRUE(w.ui().feedbackPanel->isHidden());
    EXPECT_EQ(w.question(), QStringLiteral("恭喜滿分,您真是高手,評量分數為:100分"));

    // Off again: answers go straight on.
    w.ui().practiceBox->click();
    EXPECT_FALSE(w.window->session().practice());
    w.click(w.ui().answerButton3);
    EXPECT_EQ(w.question(), QStringLiteral("問題2/3\n題2"));
    EXPECT_TRUE(w.ui().feedbackPanel->isHidden());
}

TEST(QuizWindow, aBadKeyInPracticeModeIsReportedAndTheQuizGoesOn) {
    QuizWindow w(Cp950("Q:壞鍵\r\nA:?\r\n1.甲\r\n2.乙\r\n3.丙\r\n4.丁\r\n") + quiztest::Bank(1));
    w.window->onActivated();
    w.ui().practiceBox->click();
    w.click(w.ui().answerButton1);
    ASSERT_EQ(w.messages.shown.size(), 1u);
    EXPECT_EQ(w.messages.shown[0], "'?' is not a valid integer value");
    EXPECT_TRUE(w.ui().feedbackPanel->isHidden());
    EXPECT_EQ(w.question(), QStringLiteral("問題2/2\n題1"));
}

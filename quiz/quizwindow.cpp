#include "quiz/quizwindow.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QScrollBar>

#include "app/widgets/imagebutton.h"
#include "app/widgets/look.h"
#include "app/widgets/pictures.h"
#include "ui_quizwindow.h"

namespace quiz {

namespace {

QString FromUtf8(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Label texts come with CR LF breaks; a label breaks its lines at LF.
QString LabelText(const std::string& s) {
    return FromUtf8(s).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QFont PointFont(int points) {
    QFont f(app::look::kKaiFace.toString());
    f.setPointSize(points);
    return f;
}

const char* const kStyle = R"(
QWidget#QuizWindow { background: #f3f0e6; }
QFrame#buttonColumn {
  background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #e3ebf7, stop:1 #cbd8ec);
  border-right: 1px solid #9db1cf;
}
QFrame#questionPanel { background: #f8f6ef; }
QLabel { color: navy; }
QLabel#questionLabel {
  background: #ffffff; border: 1px solid #aebfd8; border-radius: 8px; padding: 0px 12px; margin-bottom: 2px;
}
QFrame#answerRow1, QFrame#answerRow2, QFrame#answerRow3, QFrame#answerRow4 {
  background: #ffffff; border: 1px solid #d2d9e5; border-radius: 8px; margin: 3px 0px;
}
QPlainTextEdit#reportBox, QPlainTextEdit#feedbackBox {
  background: #ffffff; color: navy; border: 1px solid #aebfd8; border-radius: 4px;
  selection-background-color: #c9d7ec; selection-color: navy;
}
QCheckBox#wholeBankBox::indicator, QCheckBox#practiceBox::indicator { width: 20px; height: 20px; }
QPushButton#nextButton {
  color: navy; background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #eef3fb, stop:1 #cbd8ec);
  border: 1px solid #9db1cf; border-radius: 8px;
}
QPushButton#nextButton:pressed { background: #cbd8ec; }
QPushButton#nextButton:focus { border: 2px solid #5a7bb5; }
QLabel#resultLabel[right="true"] { color: #1d6b2c; }
QLabel#resultLabel[right="false"] { color: #b02a1e; }
)";

} // namespace

QuizWindow::QuizWindow(app::AppContext& context, QWidget* parent)
    : app::WorkingWindow(context, app::QuizWindowNo, parent), m_ui(std::make_unique<Ui::QuizWindow>()) {
    m_ui->setupUi(this);
    setWindowTitle(QStringLiteral("ICD-10評量測驗"));
    setFixedClientSize(712, 514);
    connectControls();
}

QuizWindow::~QuizWindow() = default;

void QuizWindow::connectControls() {
    applyLook();
    loadPictures();
    const std::array<app::ImageButton*, 7> pictures{
        m_ui->newQuizButton, m_ui->previousButton, m_ui->closeButton,  m_ui->answerButton1,
        m_ui->answerButton2, m_ui->answerButton3,  m_ui->answerButton4};
    for (app::ImageButton* b : pictures) {
        connect(b, &app::ImageButton::pressed, this, &QuizWindow::picturePressed);
        connect(b, &app::ImageButton::released, this, &QuizWindow::pictureReleased);
    }
    m_ui->wholeBankBox->setChecked(false);
    connect(m_ui->wholeBankBox, &QCheckBox::toggled, this, &QuizWindow::wholeBankToggled);
    m_ui->wholeBankLabel->installEventFilter(this);
    m_ui->wholeBankLabel->setCursor(Qt::PointingHandCursor);
    m_ui->practiceBox->setChecked(false);
    connect(m_ui->practiceBox, &QCheckBox::toggled, this, &QuizWindow::practiceToggled);
    m_ui->practiceLabel->installEventFilter(this);
    m_ui->practiceLabel->setCursor(Qt::PointingHandCursor);
    connect(m_ui->nextButton, &QPushButton::clicked, this, &QuizWindow::proceed);
    showArea(Area::Answers);
}

void QuizWindow::applyLook() {
    setFont(app::PixelFont(app::look::kKaiFace, 27));
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, app::look::kNavy);
    pal.setColor(QPalette::Text, app::look::kNavy);
    setPalette(pal);
    setStyleSheet(QString::fromUtf8(kStyle));

    m_ui->questionLabel->setTextFormat(Qt::PlainText);
    m_ui->questionLabel->setFont(PointFont(20));
    for (int n = 1; n <= 4; ++n) {
        answerLabel(n)->setTextFormat(Qt::PlainText);
        answerLabel(n)->setFont(PointFont(20));
    }
    m_ui->wholeBankLabel->setFont(app::PixelFont(app::look::kKaiFace, 27));
    m_ui->practiceLabel->setFont(app::PixelFont(app::look::kKaiFace, 27));
    m_ui->reportBox->setFont(app::PixelFont(app::look::kKaiFace, 21));
    m_ui->feedbackBox->setFont(app::PixelFont(app::look::kKaiFace, 21));
    m_ui->resultLabel->setFont(app::PixelFont(app::look::kKaiFace, 27));
    m_ui->nextButton->setFont(app::PixelFont(app::look::kKaiFace, 21));
}

void QuizWindow::loadPictures() {
    const struct {
        app::ImageButton* button;
        const char* file;
        const char* name;
    } pictures[] = {
        {m_ui->newQuizButton, "new.svg", "重新測驗"},    {m_ui->previousButton, "previous.svg", "上一題"},
        {m_ui->closeButton, "close.svg", "關閉"},        {m_ui->answerButton1, "answer1.svg", "選答案1"},
        {m_ui->answerButton2, "answer2.svg", "選答案2"}, {m_ui->answerButton3, "answer3.svg", "選答案3"},
        {m_ui->answerButton4, "answer4.svg", "選答案4"},
    };
    for (const auto& p : pictures) {
        app::LoadPicture(p.button, QStringLiteral(":/assets/quiz/") + QString::fromUtf8(p.file));
        p.button->setAccessibleName(QString::fromUtf8(p.name));
        p.button->setToolTip(QString::fromUtf8(p.name));
    }
    m_ui->closeButton->setToolTip(QStringLiteral("關閉（Esc）"));
    for (int n = 1; n <= 4; ++n) {
        answerPicture(n)->setToolTip(QStringLiteral("選答案%1（按 %1）").arg(n));
        // A double-click on an answer is one answer: its second click would
        // otherwise answer the next question before the user has seen it.
        answerPicture(n)->setDoubleClickIsOneClick(true);
    }
}

app::ImageButton* QuizWindow::answerPicture(int n) const {
    switch (n) {
    case 1:
        return m_ui->answerButton1;
    case 2:
        return m_ui->answerButton2;
    case 3:
        return m_ui->answerButton3;
    case 4:
        return m_ui->answerButton4;
    default:
        return nullptr;
    }
}

QFrame* QuizWindow::answerRow(int n) const {
    switch (n) {
    case 1:
        return m_ui->answerRow1;
    case 2:
        return m_ui->answerRow2;
    case 3:
        return m_ui->answerRow3;
    case 4:
        return m_ui->answerRow4;
    default:
        return nullptr;
    }
}

QLabel* QuizWindow::answerLabel(int n) const {
    switch (n) {
    case 1:
        return m_ui->answerLabel1;
    case 2:
        return m_ui->answerLabel2;
    case 3:
        return m_ui->answerLabel3;
    case 4:
        return m_ui->answerLabel4;
    default:
        return nullptr;
    }
}

void QuizWindow::onActivated() {
    app::WorkingWindow::onActivated();
    if (!m_firstActivation) return;
    m_firstActivation = false;
    m_session.randomSource().seedFromTimeOfDay();
    startNewQuiz();
}

void QuizWindow::picturePressed(app::ImageButton*) {
    // The picture sinks by itself; the window acts only on release.
}

void QuizWindow::pictureReleased(app::ImageButton* sender) {
    if (sender == m_ui->newQuizButton) startNewQuiz();
    if (sender == m_ui->previousButton) previousQuestion();
    if (sender == m_ui->closeButton) close();
    if (sender == m_ui->answerButton1) answer(1);
    if (sender == m_ui->answerButton2) answer(2);
    if (sender == m_ui->answerButton3) answer(3);
    if (sender == m_ui->answerButton4) answer(4);
}

void QuizWindow::wholeBankToggled() {
    m_session.setWholeBank(m_ui->wholeBankBox->isChecked());
    startNewQuiz();
}

void QuizWindow::toggleWholeBank() {
    // Toggling the box starts the new quiz through its own handler.
    m_ui->wholeBankBox->toggle();
}

void QuizWindow::practiceToggled() {
    m_session.setPractice(m_ui->practiceBox->isChecked());
    startNewQuiz();
}

void QuizWindow::togglePractice() {
    m_ui->practiceBox->toggle();
}

bool QuizWindow::eventFilter(QObject* watched, QEvent* event) {
    // A click on a box's caption toggles the box.
    for (auto [label, toggle] : {std::pair{m_ui->wholeBankLabel, &QuizWindow::toggleWholeBank},
                                 std::pair{m_ui->practiceLabel, &QuizWindow::togglePractice}}) {
        if (watched != label || event->type() != QEvent::MouseButtonRelease) continue;
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (label->rect().contains(mouse->position().toPoint())) (this->*toggle)();
        return true;
    }
    return app::WorkingWindow::eventFilter(watched, event);
}

void QuizWindow::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::NoModifier && key >= Qt::Key_1 && key <= Qt::Key_4) {
        event->accept();
        // As the pictures: only while the answers are on screen, and a key held
        // down answers once.
        if (!event->isAutoRepeat() && answerPicture(key - Qt::Key_0)->isVisibleTo(this))
            answer(key - Qt::Key_0);
        return;
    }
    if (mods == Qt::NoModifier && (key == Qt::Key_Return || key == Qt::Key_Enter) &&
        m_ui->feedbackPanel->isVisibleTo(this)) {
        event->accept();
        if (!event->isAutoRepeat()) proceed();
        return;
    }
    app::WorkingWindow::keyPressEvent(event);
}

void QuizWindow::startNewQuiz() {
    // A file that cannot be read leaves the window as it was.
    if (!guarded([&] { m_session.startNewQuiz(QuestionFilePath(m_ctx.exeDir)); })) return;
    showQuestion();
}

void QuizWindow::showArea(Area area) {
    for (int n = 1; n <= 4; ++n)
        answerRow(n)->setVisible(area == Area::Answers);
    m_ui->feedbackPanel->setVisible(area == Area::Feedback);
    m_ui->reportBox->setVisible(area == Area::Report);
}

void QuizWindow::showQuestion() {
    showArea(Area::Answers);

    QuestionScreen screen;
    if (!guarded([&] { screen = m_session.question(); })) return; // the labels keep their texts
    m_ui->questionLabel->setText(LabelText(screen.question));
    m_ui->questionLabel->setFont(PointFont(screen.questionFontSize));
    for (int n = 1; n <= 4; ++n) {
        QLabel* label = answerLabel(n);
        label->setText(LabelText(screen.answers[static_cast<std::size_t>(n - 1)]));
        label->setFont(PointFont(screen.answerFontSizes[static_cast<std::size_t>(n - 1)]));
    }
}

void QuizWindow::answer(int choice) {
    if (m_session.length() == 0) return; // no question is being asked
    m_session.answer(choice);
    if (m_session.feedbackShown())
        showFeedback();
    else if (m_session.reportShown())
        writeReport();
    else
        showQuestion();
}

void QuizWindow::showFeedback() {
    Feedback feedback;
    // A block the feedback cannot be written for (a key without a digit) is
    // reported, and the quiz goes on as it would outside practice mode.
    if (!guarded([&] { feedback = m_session.feedback(); })) {
        proceed();
        return;
    }
    showArea(Area::Feedback);
    m_ui->resultLabel->setText(feedback.right ? QStringLiteral("答對了！") : QStringLiteral("答錯了。"));
    m_ui->resultLabel->setProperty("right", feedback.right);
    m_ui->resultLabel->style()->unpolish(m_ui->resultLabel);
    m_ui->resultLabel->style()->polish(m_ui->resultLabel);
    QString text;
    for (const std::string& line : feedback.lines) {
        if (!text.isEmpty()) text += QLatin1Char('\n');
        text += FromUtf8(line);
    }
    m_ui->feedbackBox->setPlainText(text);
    const bool last = m_session.current() == m_session.length();
    m_ui->nextButton->setText(last ? QStringLiteral("看成績") : QStringLiteral("下一題"));
    m_ui->nextButton->setToolTip(last ? QStringLiteral("看成績（Enter）")
                                      : QStringLiteral("下一題（Enter）"));
    m_ui->nextButton->setFocus();
}

void QuizWindow::proceed() {
    if (!m_session.feedbackShown()) return;
    m_session.proceed();
    // The focus leaves the hidden button for the window, so that a key meant
    // for the next question does not reach a check box.
    setFocus();
    if (m_session.reportShown())
        writeReport();
    else
        showQuestion();
}

void QuizWindow::previousQuestion() {
    if (m_session.current() < 2) return;
    m_session.previous();
    showQuestion();
}

void QuizWindow::writeReport() {
    showArea(Area::Report);
    m_ui->reportBox->clear();

    Report report;
    if (!guarded([&] { report = m_session.report(); })) return; // the last question stays in questionLabel
    QString text;
    for (const std::string& line : report.lines) {
        text += FromUtf8(line);
        text += QLatin1Char('\n');
    }
    m_ui->reportBox->setPlainText(text);
    m_ui->reportBox->verticalScrollBar()->setValue(0);
    m_ui->questionLabel->setText(FromUtf8(report.verdictLine));
}

} // namespace quiz

#include "quiz/tform4.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>

#include "app/widgets/imagebutton.h"
#include "app/widgets/pictures.h"
#include "ui_tform4.h"

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
    QFont f(QStringLiteral("標楷體"));
    f.setPointSize(points);
    return f;
}

const char* const kStyle = R"(
QWidget#TForm4 { background: #f3f0e6; }
QFrame#Panel2 {
  background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #e3ebf7, stop:1 #cbd8ec);
  border-right: 1px solid #9db1cf;
}
QFrame#Panel1 { background: #f8f6ef; }
QLabel { color: navy; }
QLabel#LabelQ {
  background: #ffffff; border: 1px solid #aebfd8; border-radius: 8px; padding: 0px 12px; margin-bottom: 2px;
}
QFrame#Panel6, QFrame#Panel4, QFrame#Panel3, QFrame#Panel5 {
  background: #ffffff; border: 1px solid #d2d9e5; border-radius: 8px; margin: 3px 0px;
}
QPlainTextEdit#Memo1 {
  background: #ffffff; color: navy; border: 1px solid #aebfd8; border-radius: 4px;
  selection-background-color: #c9d7ec; selection-color: navy;
}
QCheckBox#CheckBox1::indicator { width: 20px; height: 20px; }
)";

} // namespace

TForm4::TForm4(app::AppContext& context, QWidget* parent)
    : app::WorkingWindow(context, app::QuizWindowNo, parent), m_ui(std::make_unique<Ui::TForm4>()) {
    m_ui->setupUi(this);
    setWindowTitle(QStringLiteral("ICD-10評量測驗"));
    setFixedClientSize(712, 514);
    FormCreate();
}

TForm4::~TForm4() = default;

void TForm4::FormCreate() {
    applyLook();
    loadPictures();
    const std::array<app::ImageButton*, 7> pictures{m_ui->Image1,  m_ui->Image2,  m_ui->Image13,
                                                    m_ui->ImageA1, m_ui->ImageA2, m_ui->ImageA3,
                                                    m_ui->ImageA4};
    for (app::ImageButton* b : pictures) {
        connect(b, &app::ImageButton::pressed, this, &TForm4::Image1MouseDown);
        connect(b, &app::ImageButton::released, this, &TForm4::Image1MouseUp);
    }
    m_ui->CheckBox1->setChecked(false);
    connect(m_ui->CheckBox1, &QCheckBox::toggled, this, &TForm4::CheckBox1Click);
    m_ui->Label1->installEventFilter(this);
    m_ui->Label1->setCursor(Qt::PointingHandCursor);
    m_ui->Memo1->hide();
}

void TForm4::applyLook() {
    setFont(app::PixelFont(QStringLiteral("標楷體"), 27));
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, QColor(0, 0, 128));
    pal.setColor(QPalette::Text, QColor(0, 0, 128));
    setPalette(pal);
    setStyleSheet(QString::fromUtf8(kStyle));

    m_ui->LabelQ->setTextFormat(Qt::PlainText);
    m_ui->LabelQ->setFont(PointFont(20));
    for (int n = 1; n <= 4; ++n) {
        answerLabel(n)->setTextFormat(Qt::PlainText);
        answerLabel(n)->setFont(PointFont(20));
    }
    m_ui->Label1->setFont(app::PixelFont(QStringLiteral("標楷體"), 27));
    m_ui->Memo1->setFont(app::PixelFont(QStringLiteral("標楷體"), 21));
}

void TForm4::loadPictures() {
    const struct {
        app::ImageButton* button;
        const char* file;
        const char* name;
    } pictures[] = {
        {m_ui->Image1, "new.svg", "重新測驗"},     {m_ui->Image2, "previous.svg", "上一題"},
        {m_ui->Image13, "close.svg", "關閉"},      {m_ui->ImageA1, "answer1.svg", "選答案1"},
        {m_ui->ImageA2, "answer2.svg", "選答案2"}, {m_ui->ImageA3, "answer3.svg", "選答案3"},
        {m_ui->ImageA4, "answer4.svg", "選答案4"},
    };
    for (const auto& p : pictures) {
        app::LoadPicture(p.button, QStringLiteral(":/assets/quiz/") + QString::fromUtf8(p.file));
        p.button->setAccessibleName(QString::fromUtf8(p.name));
        p.button->setToolTip(QString::fromUtf8(p.name));
    }
    m_ui->Image13->setToolTip(QStringLiteral("關閉（Esc）"));
    for (int n = 1; n <= 4; ++n) {
        answerPicture(n)->setToolTip(QStringLiteral("選答案%1（按 %1）").arg(n));
        // A double-click on an answer is one answer: its second click would
        // otherwise answer the next question before the user has seen it.
        answerPicture(n)->setDoubleClickIsOneClick(true);
    }
}

app::ImageButton* TForm4::answerPicture(int n) const {
    switch (n) {
    case 1:
        return m_ui->ImageA1;
    case 2:
        return m_ui->ImageA2;
    case 3:
        return m_ui->ImageA3;
    case 4:
        return m_ui->ImageA4;
    default:
        return nullptr;
    }
}

QFrame* TForm4::answerRow(int n) const {
    switch (n) {
    case 1:
        return m_ui->Panel6;
    case 2:
        return m_ui->Panel4;
    case 3:
        return m_ui->Panel3;
    case 4:
        return m_ui->Panel5;
    default:
        return nullptr;
    }
}

QLabel* TForm4::answerLabel(int n) const {
    switch (n) {
    case 1:
        return m_ui->LabelA1;
    case 2:
        return m_ui->LabelA2;
    case 3:
        return m_ui->LabelA3;
    case 4:
        return m_ui->LabelA4;
    default:
        return nullptr;
    }
}

void TForm4::FormActivate() {
    app::WorkingWindow::FormActivate();
    if (!m_firstActivation) return;
    m_firstActivation = false;
    m_session.randomSource().seedFromTimeOfDay();
    StartNewQuiz();
}

void TForm4::Image1MouseDown(app::ImageButton*) {
    // The picture sinks by itself; the window acts only on release.
}

void TForm4::Image1MouseUp(app::ImageButton* sender) {
    if (sender == m_ui->Image1) StartNewQuiz();
    if (sender == m_ui->Image2) PreviousQuestion();
    if (sender == m_ui->Image13) close();
    if (sender == m_ui->ImageA1) Answer(1);
    if (sender == m_ui->ImageA2) Answer(2);
    if (sender == m_ui->ImageA3) Answer(3);
    if (sender == m_ui->ImageA4) Answer(4);
}

void TForm4::CheckBox1Click() {
    m_session.setWholeBank(m_ui->CheckBox1->isChecked());
    StartNewQuiz();
}

void TForm4::Label1Click() {
    // Toggling the box starts the new quiz through its own handler.
    m_ui->CheckBox1->toggle();
}

bool TForm4::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ui->Label1 && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (m_ui->Label1->rect().contains(mouse->position().toPoint())) Label1Click();
        return true;
    }
    return app::WorkingWindow::eventFilter(watched, event);
}

void TForm4::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::NoModifier && key >= Qt::Key_1 && key <= Qt::Key_4) {
        event->accept();
        // As the pictures: only while the answers are on screen, and a key held
        // down answers once.
        if (!event->isAutoRepeat() && answerPicture(key - Qt::Key_0)->isVisibleTo(this))
            Answer(key - Qt::Key_0);
        return;
    }
    app::WorkingWindow::keyPressEvent(event);
}

void TForm4::StartNewQuiz() {
    // A file that cannot be read leaves the window as it was.
    if (!guarded([&] { m_session.startNewQuiz(QuestionFilePath(m_ctx.exeDir)); })) return;
    ShowQuestion();
}

void TForm4::ShowQuestion() {
    m_ui->Memo1->hide();
    for (int n = 1; n <= 4; ++n)
        answerRow(n)->show();

    QuestionScreen screen;
    if (!guarded([&] { screen = m_session.question(); })) return; // the labels keep their texts
    m_ui->LabelQ->setText(LabelText(screen.question));
    m_ui->LabelQ->setFont(PointFont(screen.questionFontSize));
    for (int n = 1; n <= 4; ++n) {
        QLabel* label = answerLabel(n);
        label->setText(LabelText(screen.answers[static_cast<std::size_t>(n - 1)]));
        label->setFont(PointFont(screen.answerFontSizes[static_cast<std::size_t>(n - 1)]));
    }
}

void TForm4::Answer(int choice) {
    if (m_session.length() == 0) return; // no question is being asked
    m_session.answer(choice);
    if (m_session.reportShown())
        WriteReport();
    else
        ShowQuestion();
}

void TForm4::PreviousQuestion() {
    if (m_session.current() < 2) return;
    m_session.previous();
    ShowQuestion();
}

void TForm4::WriteReport() {
    m_ui->Memo1->show();
    for (int n = 1; n <= 4; ++n)
        answerRow(n)->hide();
    m_ui->Memo1->clear();

    Report report;
    if (!guarded([&] { report = m_session.report(); })) return; // the last question stays in LabelQ
    QString text;
    for (const std::string& line : report.lines) {
        text += FromUtf8(line);
        text += QLatin1Char('\n');
    }
    m_ui->Memo1->setPlainText(text);
    m_ui->Memo1->verticalScrollBar()->setValue(0);
    m_ui->LabelQ->setText(FromUtf8(report.verdictLine));
}

} // namespace quiz

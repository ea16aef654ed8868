#pragma once
// The quiz window: asks the questions of the bank one at a time, records the
// answers, goes back on request and writes the report with score and verdict.
// The quiz itself lives in quiz::QuizSession; this window shows it and forwards
// the user's clicks. Created once; closing only hides it, so reopening resumes
// the same question or report.

#include <array>
#include <memory>

#include "app/widgets/workingwindow.h"
#include "quiz/random.h"
#include "quiz/session.h"

class QFrame;
class QLabel;

namespace Ui {
class TForm4;
}

namespace app {
class ImageButton;
}

namespace quiz {

// Working window number 4.
class TForm4 : public app::WorkingWindow {
    Q_OBJECT
public:
    explicit TForm4(app::AppContext& context, QWidget* parent = nullptr);
    ~TForm4() override;

    // Replaces the random source (tests). Takes effect for the next new quiz;
    // the first activation seeds it from the time of day.
    void setRandomSource(RandomSource& random) { m_session.setRandomSource(random); }

    const QuizSession& session() const { return m_session; }
    Ui::TForm4& ui() { return *m_ui; }
    // ImageA1 .. ImageA4 (1-based).
    app::ImageButton* answerPicture(int n) const;
    // Panel6, Panel4, Panel3, Panel5: the answer rows 1 to 4.
    QFrame* answerRow(int n) const;
    QLabel* answerLabel(int n) const;

    void FormCreate();
    void FormActivate() override;
    void Image1MouseDown(app::ImageButton* sender);
    void Image1MouseUp(app::ImageButton* sender);
    void CheckBox1Click();
    void Label1Click();

    // Reads the bank and starts a new quiz at question 1.
    void StartNewQuiz();
    // Shows the question at the current position.
    void ShowQuestion();
    // Records the choice (1-4) and moves on, or writes the report.
    void Answer(int choice);
    // Goes back one question (from the report too).
    void PreviousQuestion();
    // Fills the report box and the verdict.
    void WriteReport();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The digits 1 to 4, on the main keys or the keypad, answer as the answer
    // pictures do while a question is shown.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void loadPictures();
    void applyLook();

    std::unique_ptr<Ui::TForm4> m_ui;
    DefaultRandom m_defaultRandom;
    QuizSession m_session{m_defaultRandom};
    bool m_firstActivation = true;
};

} // namespace quiz

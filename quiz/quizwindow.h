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
class QuizWindow;
}

namespace app {
class ImageButton;
}

namespace quiz {

// Working window number 4.
class QuizWindow : public app::WorkingWindow {
    Q_OBJECT
public:
    explicit QuizWindow(app::AppContext& context, QWidget* parent = nullptr);
    ~QuizWindow() override;

    // Replaces the random source (tests). Takes effect for the next new quiz;
    // the first activation seeds it from the time of day.
    void setRandomSource(RandomSource& random) { m_session.setRandomSource(random); }

    const QuizSession& session() const { return m_session; }
    Ui::QuizWindow& ui() { return *m_ui; }
    // The answer pictures 1 to 4.
    app::ImageButton* answerPicture(int n) const;
    // The answer rows 1 to 4 (picture and text).
    QFrame* answerRow(int n) const;
    QLabel* answerLabel(int n) const;

    void connectControls();
    void onActivated() override;
    void picturePressed(app::ImageButton* sender);
    void pictureReleased(app::ImageButton* sender);
    void wholeBankToggled();
    void toggleWholeBank();
    // Practice mode on or off (the box or its label): a new quiz starts, so a
    // quiz is either wholly a test or wholly practice.
    void practiceToggled();
    void togglePractice();

    // Reads the bank and starts a new quiz at question 1.
    void startNewQuiz();
    // Shows the question at the current position.
    void showQuestion();
    // Records the choice (1-4) and moves on, or writes the report; in practice
    // mode shows the feedback first.
    void answer(int choice);
    // Shows whether the answer was right, the key and the explanation.
    void showFeedback();
    // Leaves the feedback for the next question or the report.
    void proceed();
    // Goes back one question (from the report too).
    void previousQuestion();
    // Fills the report box and the verdict.
    void writeReport();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The digits 1 to 4, on the main keys or the keypad, answer as the answer
    // pictures do while a question is shown; Enter goes on from a feedback.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void loadPictures();
    void applyLook();
    // Shows one of the three areas under the question: the answer rows, the
    // feedback or the report.
    enum class Area { Answers, Feedback, Report };
    void showArea(Area area);

    std::unique_ptr<Ui::QuizWindow> m_ui;
    DefaultRandom m_defaultRandom;
    QuizSession m_session{m_defaultRandom};
    bool m_firstActivation = true;
};

} // namespace quiz

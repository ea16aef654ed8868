// The program: the main menu first (it opens the database), then the four
// working windows, all hidden, then the event loop until the menu is closed.
#include <QApplication>
#include <QDir>

#include "app/core/appcontext.h"
#include "program/mainmenu.h"
#include "app/platform/platformdesktop.h"
#include "app/widgets/pictures.h"
#include "app/widgets/qtmessages.h"
#include "app/widgets/translations.h"
#include "outline/outlinewindow.h"
#include "quiz/quizwindow.h"
#include "search/searchwindow.h"
#include "tree/treewindow.h"

namespace {
template <class Form> std::unique_ptr<app::WorkingWindow> Make(app::AppContext& context) {
    return std::make_unique<Form>(context);
}
} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    app::RegisterFontSubstitutions();
    // Qt's own buttons and dialogs in Traditional Chinese (確定, 取消).
    app::LoadQtTranslations(application);
    QApplication::setApplicationName(QStringLiteral("icd10tcm"));
    // The title is not made the toolkit's display name: that would be appended
    // to every window's caption. Message boxes carry it instead.
    app::QtMessages messages(program::ApplicationTitle());
    std::unique_ptr<app::Desktop> desktop = app::CreatePlatformDesktop();
    app::AppContext context(messages, *desktop);

    program::MenuSetup setup;
    setup.executablePath = QDir::toNativeSeparators(QCoreApplication::applicationFilePath()).toStdString();
    setup.createOutlineWindow = Make<outline::OutlineWindow>;
    setup.createTreeWindow = Make<tree::TreeWindow>;
    setup.createQuizWindow = Make<quiz::QuizWindow>;
    setup.createSearchWindow = Make<search::SearchWindow>;

    program::MainMenu menu(context, std::move(setup));
    menu.createWorkingWindows();
    // A failed start-up has shown its message: the loop would end at its first
    // turn, so it is not entered and no window is ever shown.
    if (menu.terminationRequested()) return 1;

    menu.show();
    return QApplication::exec();
}

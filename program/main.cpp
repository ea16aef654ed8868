// The program: the main menu first (it opens the database), then the coder's
// guide beside it, the five working windows and the notes panel, all hidden,
// then the event loop until the menu is closed.
#include <QApplication>
#include <QDir>

#include "app/core/appcontext.h"
#include "program/mainmenu.h"
#include "app/platform/platformdesktop.h"
#include "app/widgets/pictures.h"
#include "app/widgets/qtmessages.h"
#include "alphaindex/indexwindow.h"
#include "app/widgets/translations.h"
#include "guide/guidefile.h"
#include "guide/reader.h"
#include "guidepanel/notespanel.h"
#include "outline/outlinewindow.h"
#include "quiz/quizwindow.h"
#include "search/searchwindow.h"
#include "tree/treewindow.h"

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
    setup.createOutlineWindow = program::MakeBrowser<outline::OutlineWindow>;
    setup.createTreeWindow = program::MakeBrowser<tree::TreeWindow>;
    setup.createQuizWindow = program::MakeWindow<quiz::QuizWindow>;
    setup.createSearchWindow = program::MakeWindow<search::SearchWindow>;
    // The coder's guide, opened once the menu knows the program's folder; a
    // missing or damaged guide leaves the rest as it was (its windows say why).
    guide::Guide codersGuide;
    setup.createIndexWindow = [&codersGuide](app::AppContext& c) -> std::unique_ptr<app::WorkingWindow> {
        return std::make_unique<alphaindex::IndexWindow>(c, codersGuide);
    };

    program::MainMenu menu(context, std::move(setup));
    if (!menu.terminationRequested()) codersGuide.open(guide::GuidePathIn(context.exeDir));
    guidepanel::NotesPanel notesPanel(codersGuide);
    notesPanel.setIndexOpener([&menu] { menu.showIndexWindow(); });
    context.guide = &notesPanel;
    menu.createWorkingWindows();
    // A failed start-up has shown its message: the loop would end at its first
    // turn, so it is not entered and no window is ever shown.
    if (menu.terminationRequested()) {
        context.guide = nullptr;
        return 1;
    }

    menu.show();
    const int status = QApplication::exec();
    // The windows go with the menu, after the panel: nothing may report to it then.
    context.guide = nullptr;
    return status;
}

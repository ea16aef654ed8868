// The program: the main menu first (it opens the database), then the four
// working windows, all hidden, then the event loop until the menu is closed.
#include <QApplication>
#include <QDir>

#include "app/core/appcontext.h"
#include "app/menu/tformkelvara.h"
#include "app/platform/platformdesktop.h"
#include "app/widgets/pictures.h"
#include "app/widgets/qtmessages.h"
#include "outline/tform2.h"
#include "quiz/tform4.h"
#include "search/tform5.h"
#include "tree/tform3.h"

namespace {
template <class Form> std::unique_ptr<app::WorkingWindow> Make(app::AppContext& context) {
    return std::make_unique<Form>(context);
}
} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    app::RegisterFontSubstitutions();
    QApplication::setApplicationName(QStringLiteral("icd10tcm"));
    // The title is not made the toolkit's display name: that would be appended
    // to every window's caption. Message boxes carry it instead.
    app::QtMessages messages(app::ApplicationTitle());
    std::unique_ptr<app::Desktop> desktop = app::CreatePlatformDesktop();
    app::AppContext context(messages, *desktop);

    app::MenuSetup setup;
    setup.executablePath = QDir::toNativeSeparators(QCoreApplication::applicationFilePath()).toStdString();
    setup.createForm2 = Make<outline::TForm2>;
    setup.createForm3 = Make<tree::TForm3>;
    setup.createForm4 = Make<quiz::TForm4>;
    setup.createForm5 = Make<search::TForm5>;

    app::TFormKelvara FormKelvara(context, std::move(setup));
    FormKelvara.CreateWorkingWindows();
    // A failed start-up has shown its message: the loop would end at its first
    // turn, so it is not entered and no window is ever shown.
    if (FormKelvara.terminationRequested()) return 1;

    FormKelvara.show();
    return QApplication::exec();
}

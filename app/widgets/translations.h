#pragma once
// Qt's own texts (standard buttons, file dialogs, the edit boxes' menu) in
// Traditional Chinese: the toolkit's zh_TW translations, from where the
// toolkit keeps them (Debian: the Qt 6 translations package), or from the
// "translations" folder beside the executable (a Windows deployment).

class QCoreApplication;

namespace app {

// Installs the translations on the application; false when none was found
// (the toolkit's texts then stay English).
bool LoadQtTranslations(QCoreApplication& application);

} // namespace app

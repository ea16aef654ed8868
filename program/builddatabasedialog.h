#pragma once
// The window in which a clinic builds its full code database from the NHI
// files it downloaded (the Chinese edition, and optionally the ICD-9 map and
// the 2014 map), the program's official US files supplying the rest.
//
// Each file is checked by its header as soon as it is picked (or typed and
// Enter pressed), and a wrong one is named beside it with what was expected;
// 建立 is possible only when the Chinese edition is right and each optional
// file given is right too. The build runs on a thread of its own on its own
// connection (the clinic build of dbbuild/): the window shows the stage and step in
// a progress bar and stays responsive; 取消建置, Esc or closing the window
// cancel it. The database in use is not touched until the new one is complete:
// then databaseBuilt(path) is emitted and the window closes; on an error or a
// cancel the window says so and stays open, the old database still in use.

#include <atomic>
#include <memory>
#include <string>

#include <QDialog>

namespace Ui {
class BuildDatabaseDialog;
}

class QLabel;
class QLineEdit;
class QThread;

namespace program {

class BuildDatabaseDialog : public QDialog {
    Q_OBJECT
public:
    // target: where the new database is written (its old file replaced only
    // when the build is complete); officialDir: the official US files.
    BuildDatabaseDialog(std::string target, std::string officialDir, QWidget* parent = nullptr);
    ~BuildDatabaseDialog() override;

    // The NHI files in the order of their rows.
    enum class File { ChineseEdition, Icd9Map, Map2014 };
    // Takes path as that file (UTF-8; "" clears an optional one) and checks it.
    void setFile(File which, const QString& path);
    // True while a build runs.
    bool building() const { return m_thread != nullptr; }
    // Starts the build (as 建立 does) when the files allow it.
    void startBuild();
    // Asks a running build to stop; it stops within its current step.
    void cancelBuild();

signals:
    // The new database is complete at path (UTF-8); the window then closes.
    void databaseBuilt(const QString& path);

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    struct Row {
        QLineEdit* edit;
        QLabel* check;
    };
    Row row(File which) const;
    void browse(File which);
    void checkFile(File which);
    void updateButtons();
    void showStep(int number, int count, const QString& stage, const QString& detail);
    void finishBuild();
    void showProblem(const QString& text);

    std::unique_ptr<Ui::BuildDatabaseDialog> m_ui;
    std::string m_target;
    std::string m_officialDir;
    bool m_fileOk[3] = {false, true, true};
    QThread* m_thread = nullptr; // the running build's, a child of this window; null when idle
    std::atomic<bool> m_cancel{false};
    bool m_closeWhenStopped = false;
    // Set by the building thread before it ends, read once it has ended.
    bool m_succeeded = false;
    std::string m_failure;
};

} // namespace program

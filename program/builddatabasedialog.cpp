#include "program/builddatabasedialog.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>
#include <QThread>

#include "db/writefailure.h"
#include "dbbuild/clinicbuild.h"
#include "ui_builddatabasedialog.h"

namespace program {

namespace {

dbbuild::NhiFile KindOf(BuildDatabaseDialog::File which) {
    switch (which) {
    case BuildDatabaseDialog::File::Icd9Map:
        return dbbuild::NhiFile::Icd9Map;
    case BuildDatabaseDialog::File::Map2014:
        return dbbuild::NhiFile::Map2014;
    case BuildDatabaseDialog::File::ChineseEdition:
        break;
    }
    return dbbuild::NhiFile::ChineseEdition;
}

constexpr BuildDatabaseDialog::File AllFiles[] = {BuildDatabaseDialog::File::ChineseEdition,
                                                  BuildDatabaseDialog::File::Icd9Map,
                                                  BuildDatabaseDialog::File::Map2014};

QString Utf8(const std::string& s) {
    return QString::fromStdString(s);
}

const char* const CheckOkStyle = "color: #1d6b2f;";
const char* const ProblemStyle = "color: #b00020;";

} // namespace

BuildDatabaseDialog::BuildDatabaseDialog(std::string target, std::string officialDir, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::BuildDatabaseDialog>()), m_target(std::move(target)),
      m_officialDir(std::move(officialDir)) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    for (File which : AllFiles) {
        const bool required = which == File::ChineseEdition;
        QLabel* title = which == File::ChineseEdition ? m_ui->chineseTitle
                        : which == File::Icd9Map      ? m_ui->icd9MapTitle
                                                      : m_ui->map2014Title;
        title->setText(Utf8(dbbuild::NhiFileTitle(KindOf(which))) +
                       (required ? QStringLiteral("　（必要）") : QStringLiteral("　（選用）")));
        QLineEdit* edit = row(which).edit;
        title->setBuddy(edit);
        edit->setAccessibleName(title->text());
        connect(edit, &QLineEdit::editingFinished, this, [this, which] { checkFile(which); });
    }
    connect(m_ui->chineseBrowseButton, &QPushButton::clicked, this, [this] { browse(File::ChineseEdition); });
    connect(m_ui->icd9MapBrowseButton, &QPushButton::clicked, this, [this] { browse(File::Icd9Map); });
    connect(m_ui->map2014BrowseButton, &QPushButton::clicked, this, [this] { browse(File::Map2014); });
    connect(m_ui->buildButton, &QPushButton::clicked, this, &BuildDatabaseDialog::startBuild);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &BuildDatabaseDialog::reject);
    m_ui->targetLabel->setText(
        QStringLiteral("新的資料庫寫入 %1，完成後立即開啟；建置完成前仍使用原來的資料庫。")
            .arg(QDir::toNativeSeparators(Utf8(m_target))));
    m_ui->progressBar->setFormat(QStringLiteral("%v / %m"));
    m_ui->progressBar->setRange(0, 1);
    m_ui->progressBar->setTextVisible(false); // no "0 / 1" before anything is built
    updateButtons();
}

BuildDatabaseDialog::~BuildDatabaseDialog() {
    // The building thread reports to this window: it is stopped and waited for
    // here, and deleted with the window's children (it is one of them).
    if (m_thread) {
        m_cancel = true;
        m_thread->wait();
    }
}

BuildDatabaseDialog::Row BuildDatabaseDialog::row(File which) const {
    switch (which) {
    case File::Icd9Map:
        return {m_ui->icd9MapEdit, m_ui->icd9MapCheck};
    case File::Map2014:
        return {m_ui->map2014Edit, m_ui->map2014Check};
    case File::ChineseEdition:
        break;
    }
    return {m_ui->chineseEdit, m_ui->chineseCheck};
}

void BuildDatabaseDialog::browse(File which) {
    QString folder = QFileInfo(row(which).edit->text()).absolutePath();
    if (row(which).edit->text().isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    const QString path =
        QFileDialog::getOpenFileName(this, Utf8(dbbuild::NhiFileTitle(KindOf(which))), folder,
                                     QStringLiteral("CSV 檔 (*.csv *.CSV);;所有檔案 (*)"));
    if (!path.isEmpty()) setFile(which, path);
}

void BuildDatabaseDialog::setFile(File which, const QString& path) {
    row(which).edit->setText(QDir::toNativeSeparators(path));
    checkFile(which);
}

void BuildDatabaseDialog::checkFile(File which) {
    const Row r = row(which);
    const QString path = r.edit->text().trimmed();
    const auto index = static_cast<std::size_t>(which);
    std::string problem;
    if (path.isEmpty())
        problem = which == File::ChineseEdition ? "請選擇這個檔案。" : "";
    else
        problem = dbbuild::CheckNhiFile(KindOf(which), QDir::fromNativeSeparators(path).toStdString());
    m_fileOk[index] = problem.empty() && (!path.isEmpty() || which != File::ChineseEdition);
    if (path.isEmpty()) {
        r.check->setText(Utf8(problem));
        r.check->setStyleSheet(QString());
    } else {
        r.check->setText(problem.empty() ? QStringLiteral("✓ 檔案正確") : Utf8(problem));
        r.check->setStyleSheet(QLatin1String(problem.empty() ? CheckOkStyle : ProblemStyle));
    }
    updateButtons();
}

void BuildDatabaseDialog::updateButtons() {
    const bool idle = !building();
    m_ui->buildButton->setEnabled(idle && m_fileOk[0] && m_fileOk[1] && m_fileOk[2]);
    m_ui->closeButton->setText(idle ? QStringLiteral("關閉") : QStringLiteral("取消建置"));
    for (File which : AllFiles)
        row(which).edit->setReadOnly(!idle);
    for (QPushButton* b : {m_ui->chineseBrowseButton, m_ui->icd9MapBrowseButton, m_ui->map2014BrowseButton})
        b->setEnabled(idle);
}

void BuildDatabaseDialog::startBuild() {
    if (building()) return;
    // A file changed on disk since it was picked is checked once more.
    for (File which : AllFiles)
        checkFile(which);
    if (!m_ui->buildButton->isEnabled()) return;

    dbbuild::ClinicFiles files;
    auto pathOf = [this](File which) {
        return QDir::fromNativeSeparators(row(which).edit->text().trimmed()).toStdString();
    };
    files.chinese = pathOf(File::ChineseEdition);
    files.icd9Map = pathOf(File::Icd9Map);
    files.map2014 = pathOf(File::Map2014);
    m_cancel = false;
    m_succeeded = false;
    m_failure.clear();
    m_ui->stepLabel->setStyleSheet(QString());
    m_ui->stepLabel->setText(QStringLiteral("開始建置…"));
    m_ui->progressBar->setRange(0, 1);
    m_ui->progressBar->setValue(0);
    m_ui->progressBar->setTextVisible(true);

    // The build has its own connection; it reports each step to this window
    // through queued calls and stops at the next one after a cancel.
    m_thread = QThread::create([this, files] {
        auto report = [this](const dbbuild::BuildStep& s) {
            QMetaObject::invokeMethod(
                this,
                [this, number = s.number, count = s.count, stage = Utf8(s.stage), detail = Utf8(s.detail)] {
                    showStep(number, count, stage, detail);
                },
                Qt::QueuedConnection);
            return !m_cancel.load();
        };
        try {
            dbbuild::BuildClinicDatabase(files, m_officialDir, m_target, report);
            m_succeeded = true;
        } catch (const dbbuild::Cancelled&) {
            m_failure = "已取消建置，仍使用原來的資料庫，沒有寫入任何東西。";
        } catch (const std::exception& e) {
            m_failure = db::WriteFailureMessage("建立代碼資料庫失敗", e.what());
        }
    });
    // The window owns the thread: finishBuild deletes it once it has ended; a
    // window deleted during a build stops it, waits for it and deletes it.
    m_thread->setParent(this);
    connect(m_thread, &QThread::finished, this, &BuildDatabaseDialog::finishBuild);
    updateButtons();
    m_ui->closeButton->setFocus();
    m_thread->start();
}

void BuildDatabaseDialog::showStep(int number, int count, const QString& stage, const QString& detail) {
    if (!building()) return;
    m_ui->progressBar->setRange(0, count);
    m_ui->progressBar->setValue(number - 1);
    QString text = QStringLiteral("第 %1 步，共 %2 步：%3").arg(number).arg(count).arg(stage);
    if (!detail.isEmpty()) text += QStringLiteral("（%1）").arg(detail.trimmed());
    if (m_cancel) text = QStringLiteral("正在取消…");
    m_ui->stepLabel->setText(text);
}

void BuildDatabaseDialog::cancelBuild() {
    if (!building()) return;
    m_cancel = true;
    m_ui->stepLabel->setText(QStringLiteral("正在取消…"));
    m_ui->closeButton->setEnabled(false);
}

void BuildDatabaseDialog::finishBuild() {
    m_thread->wait();
    m_thread->deleteLater();
    m_thread = nullptr;
    m_ui->closeButton->setEnabled(true);
    updateButtons();
    if (m_succeeded) {
        m_ui->progressBar->setValue(m_ui->progressBar->maximum());
        m_ui->stepLabel->setText(QStringLiteral("完成。"));
        emit databaseBuilt(Utf8(m_target));
        accept();
        return;
    }
    m_ui->progressBar->setValue(0);
    showProblem(Utf8(m_failure));
    if (m_closeWhenStopped) {
        m_closeWhenStopped = false;
        QDialog::reject();
    }
}

void BuildDatabaseDialog::showProblem(const QString& text) {
    m_ui->stepLabel->setStyleSheet(QLatin1String(ProblemStyle));
    m_ui->stepLabel->setText(text);
}

void BuildDatabaseDialog::reject() {
    // Esc and 取消建置 stop a running build; the window stays until it has
    // stopped, so the old database is never left behind a half-done file.
    if (building()) {
        cancelBuild();
        return;
    }
    QDialog::reject();
}

void BuildDatabaseDialog::closeEvent(QCloseEvent* event) {
    if (building()) {
        m_closeWhenStopped = true;
        cancelBuild();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace program

// A stand-in for the clinic's consultation program, for end-to-end tests and
// demonstrations: a window titled "醫師問診作業" that shows every text it finds
// on the clipboard and, when a file is named on its command line, appends each
// text to it as one line.
//
//   consultation [RECORD_FILE]
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <QWidget>

namespace {

class ConsultationWindow : public QWidget {
public:
    explicit ConsultationWindow(QString recordFile) : m_recordFile(std::move(recordFile)) {
        setWindowTitle(QStringLiteral("醫師問診作業"));
        resize(420, 300);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(QStringLiteral("收到的編碼:"), this));
        m_log = new QPlainTextEdit(this);
        m_log->setReadOnly(true);
        layout->addWidget(m_log);
        connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] { record(false); });
    }

protected:
    void changeEvent(QEvent* event) override {
        QWidget::changeEvent(event);
        if (event->type() == QEvent::ActivationChange && isActiveWindow()) record(true);
    }

private:
    // Each new clipboard text once; on activation only a text not yet seen.
    void record(bool onActivation) {
        const QString text = QGuiApplication::clipboard()->text();
        if (text.isEmpty() || (onActivation && text == m_last)) return;
        m_last = text;
        m_log->appendPlainText(text);
        if (m_recordFile.isEmpty()) return;
        QFile f(m_recordFile);
        if (f.open(QIODevice::Append)) f.write(text.toUtf8() + '\n');
    }

    QString m_recordFile;
    QString m_last;
    QPlainTextEdit* m_log = nullptr;
};

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    ConsultationWindow window(args.size() > 1 ? args.at(1) : QString());
    window.show();
    return QApplication::exec();
}

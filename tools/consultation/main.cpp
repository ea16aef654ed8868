// A stand-in for the clinic's consultation program, for end-to-end tests and
// demonstrations: a window titled "醫師問診作業" that shows every text it finds
// on the clipboard and, when a file is named on its command line, appends each
// text to it as one line.
//
//   consultation [--quit-on-text] [RECORD_FILE]
//
// --quit-on-text: the program ends as soon as it has recorded a new text (the
// text already on the clipboard when it starts does not count), so its window
// goes away while the sender may still be raising it (tests of a window that
// vanishes in the middle of a hand-off).
#include <cstdlib>

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
    ConsultationWindow(QString recordFile, bool quitOnText)
        : m_recordFile(std::move(recordFile)), m_quitOnText(quitOnText) {
        setWindowTitle(QStringLiteral("醫師問診作業"));
        resize(420, 300);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(QStringLiteral("收到的編碼:"), this));
        m_log = new QPlainTextEdit(this);
        m_log->setReadOnly(true);
        layout->addWidget(m_log);
        if (m_quitOnText) m_last = QGuiApplication::clipboard()->text();
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
        if (!m_recordFile.isEmpty()) {
            QFile f(m_recordFile);
            if (f.open(QIODevice::Append)) f.write(text.toUtf8() + '\n');
        }
        // At once, without tidying up: the X server destroys the window when
        // the connection drops, as when the program crashes or is killed.
        if (m_quitOnText) std::_Exit(0);
    }

    QString m_recordFile;
    bool m_quitOnText = false;
    QString m_last;
    QPlainTextEdit* m_log = nullptr;
};

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QString recordFile;
    bool quitOnText = false;
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args.at(i) == QStringLiteral("--quit-on-text"))
            quitOnText = true;
        else
            recordFile = args.at(i);
    }
    ConsultationWindow window(recordFile, quitOnText);
    window.show();
    return QApplication::exec();
}

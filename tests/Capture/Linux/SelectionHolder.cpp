// A small text application for the end-to-end tests: one line edit holding a selection.
//   --text TEXT --select START LENGTH   the line's text and the selected part
//   --password                          a password field instead
//   --class NAME                        the application (and window class) name
//   --lines FILE                        a multi-line text editor holding the file's lines instead
// Prints "ready X Y W H" (the field's rectangle on screen) once its window is active,
// "key SEQUENCE" for every key press it receives, and "selected TEXT" for every change of the
// editor's selection.
#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>

namespace {

class KeyReporter : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const QKeySequence sequence(key->keyCombination());
            std::printf("key %s\n", qPrintable(sequence.toString(QKeySequence::PortableText)));
            std::fflush(stdout);
        }
        return false;
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption text("text", "text", "text", "Parlino reads this sentence aloud.");
    const QCommandLineOption select("select", "start", "start", "8");
    const QCommandLineOption length("length", "length", "length", "19");
    const QCommandLineOption password("password", "password field");
    const QCommandLineOption className("class", "class", "class", "SelectionHolder");
    const QCommandLineOption lines("lines", "file", "file");
    parser.addOptions({text, select, length, password, className, lines});
    parser.process(app);
    QApplication::setApplicationName(parser.value(className));

    QWidget window;
    QWidget* field = nullptr;
    if (parser.isSet(lines)) {
        QFile file(parser.value(lines));
        if (!file.open(QIODevice::ReadOnly))
            return 2;
        auto* editor = new QPlainTextEdit(QString::fromUtf8(file.readAll()));
        QObject::connect(editor, &QPlainTextEdit::selectionChanged, [editor] {
            std::printf("selected %s\n", qPrintable(editor->textCursor().selectedText()));
            std::fflush(stdout);
        });
        field = editor;
        window.resize(640, 480);
    } else {
        auto* line = new QLineEdit(parser.value(text));
        if (parser.isSet(password))
            line->setEchoMode(QLineEdit::Password);
        field = line;
        window.resize(480, 80);
    }
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(field);
    window.move(200, 200);
    window.show();
    field->setFocus();
    if (auto* line = qobject_cast<QLineEdit*>(field))
        line->setSelection(parser.value(select).toInt(), parser.value(length).toInt());

    KeyReporter reporter;
    app.installEventFilter(&reporter);

    QTimer ready;
    QObject::connect(&ready, &QTimer::timeout, [&] {
        if (!window.isActiveWindow()) {
            window.activateWindow();
            return;
        }
        ready.stop();
        const QRect area(field->mapToGlobal(QPoint(0, 0)), field->size());
        std::printf("ready %d %d %d %d\n", area.x(), area.y(), area.width(), area.height());
        std::fflush(stdout);
    });
    ready.start(20);
    return app.exec();
}

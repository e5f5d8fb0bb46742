// A small text application for the end-to-end tests: one line edit holding a selection.
//   --text TEXT --select START LENGTH   the line's text and the selected part
//   --password                          a password field instead
//   --class NAME                        the application (and window class) name
// Prints "ready X Y W H" (the field's rectangle on screen) once its window is active, and
// "key SEQUENCE" for every key press it receives.
#include <QApplication>
#include <QCommandLineParser>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
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
    parser.addOptions({text, select, length, password, className});
    parser.process(app);
    QApplication::setApplicationName(parser.value(className));

    QWidget window;
    auto* field = new QLineEdit(parser.value(text));
    if (parser.isSet(password))
        field->setEchoMode(QLineEdit::Password);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(field);
    window.resize(480, 80);
    window.move(200, 200);
    window.show();
    field->setFocus();
    field->setSelection(parser.value(select).toInt(), parser.value(length).toInt());

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

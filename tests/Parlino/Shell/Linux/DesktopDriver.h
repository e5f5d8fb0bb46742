#pragma once

// What the end-to-end tests of the real application share: the application's environment in a
// home of the test's own, the program itself, and the test's own connection to the X server.
// Include it after every other header: Xlib's macros (None, Bool) clash with theirs.
#include "Base/Environment.h"
#include "support/EventLoop.h"
#include "support/StartedPrograms.h"

#include <QColor>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>
#include <optional>

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace DesktopDriver {

using TestSupport::pumpUntil;

// Replaces the application's settings in `home` with `values`, the members of the settings
// file's "values" object; whether the file was written.
inline bool writeSettings(const QTemporaryDir& home, const QByteArray& values) {
    QFile settings(home.filePath("config/Parlino/com.parlino.app.json"));
    return settings.open(QIODevice::WriteOnly) &&
           settings.write(R"({"format":"parlino-defaults","version":1,"values":{)" + values +
                          "}}") > 0;
}

// The environment that runs the application in `home`, against the stand-in service at
// `serviceURL`, as a user who has seen the tutorial (so no card stands beside the panel). Empty
// when the home could not be prepared.
inline QProcessEnvironment applicationEnvironment(const QTemporaryDir& home,
                                                  const QUrl& serviceURL) {
    for (const char* folder : {"config/Parlino", "data", "cache"})
        QDir(home.path()).mkpath(QString::fromLatin1(folder));
    if (!writeSettings(home, R"("hasSeenOnboarding":{"bool":true})"))
        return {};
    // As the test was started: none of the settings it made for itself.
    QProcessEnvironment environment = Base::Environment::forStartedPrograms();
    environment.insert("HOME", home.path());
    environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
    environment.insert("XDG_DATA_HOME", home.filePath("data"));
    environment.insert("XDG_CACHE_HOME", home.filePath("cache"));
    environment.insert("PARLINO_SERVICE_URL", serviceURL.toString());
    environment.insert("PARLINO_SYNTHETIC_INPUT", "1");
    environment.insert("QT_QPA_PLATFORM", "xcb");
    return environment;
}

// Stores the service's key in the session's keyring, where the application looks for it.
inline bool storeKey(const QString& key) {
    QProcess store;
    store.start(QStringLiteral("secret-tool"),
                {"store", "--label=Parlino", "service", "com.parlino.app", "account",
                 "elevenlabs-api-key"});
    store.write(key.toUtf8());
    store.closeWriteChannel();
    return store.waitForFinished(5000) && store.exitCode() == 0;
}

// Calls one of the application's own methods on the session bus.
inline bool callApplication(const QStringList& methodAndArguments) {
    QProcess gdbus;
    gdbus.start(QStringLiteral("gdbus"),
                QStringList{"call", "--session", "--dest", "com.parlino.app", "--object-path",
                            "/com/parlino/app", "--method"} +
                    methodAndArguments);
    return gdbus.waitForFinished(5000) && gdbus.exitCode() == 0;
}

// What the desktop's media controls report of the application: "Playing", "Paused", "Stopped".
inline QString playbackStatus() {
    QProcess gdbus;
    gdbus.start(QStringLiteral("gdbus"),
                {"call", "--session", "--dest", "org.mpris.MediaPlayer2.parlino", "--object-path",
                 "/org/mpris/MediaPlayer2", "--method", "org.freedesktop.DBus.Properties.Get",
                 "org.mpris.MediaPlayer2.Player", "PlaybackStatus"});
    gdbus.waitForFinished(3000);
    const auto match = QRegularExpression("'(\\w+)'").match(gdbus.readAllStandardOutput());
    return match.hasMatch() ? match.captured(1) : QString();
}

// What the session's keyring holds for the application's key; empty when nothing.
inline QString storedKey() {
    QProcess lookup;
    lookup.start(QStringLiteral("secret-tool"),
                 {"lookup", "service", "com.parlino.app", "account", "elevenlabs-api-key"});
    lookup.waitForFinished(5000);
    return QString::fromUtf8(lookup.readAllStandardOutput()).trimmed();
}

// Removes the key from the keyring: the desktop session is shared, and an earlier test may have
// left one.
inline bool clearKey() {
    QProcess clear;
    clear.start(QStringLiteral("secret-tool"),
                {"clear", "service", "com.parlino.app", "account", "elevenlabs-api-key"});
    return clear.waitForFinished(5000) && storedKey().isEmpty();
}

// The context switches, voluntary and not, of each thread of process `pid`, by thread.
inline QHash<QString, qint64> threadSwitches(qint64 pid) {
    QHash<QString, qint64> switches;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(tasks.filePath(task + QStringLiteral("/status")));
        if (!status.open(QIODevice::ReadOnly))
            continue; // the thread ended meanwhile
        qint64 total = 0;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.contains("ctxt_switches:"))
                total += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
        switches.insert(task, total);
    }
    return switches;
}

// The switches between two counts: a thread that ended takes its count along, one that started
// counts in full.
inline qint64 switchesBetween(const QHash<QString, qint64>& before,
                              const QHash<QString, qint64>& after) {
    qint64 total = 0;
    for (auto thread = after.begin(); thread != after.end(); ++thread)
        total += thread.value() - before.value(thread.key(), 0);
    return total;
}

// Long enough that the application has finished what it does after a change: no thread of it ran
// for this long.
constexpr int restingMs = 4000;

// Waits until no thread of process `pid` has run for `quietMs`, at most `boundMs`; whether it came.
inline bool waitUntilResting(qint64 pid, int quietMs = restingMs, int boundMs = 15000) {
    auto last = threadSwitches(pid);
    QElapsedTimer quiet;
    quiet.start();
    return pumpUntil(
        [&] {
            auto now = threadSwitches(pid);
            if (switchesBetween(last, now) != 0) {
                last = std::move(now);
                quiet.restart();
            }
            return quiet.elapsed() >= quietMs;
        },
        boundMs);
}

// The test's own connection to the X server: windows by title, keys and pointer through XTest.
class Desktop {
public:
    Desktop() : m_display(XOpenDisplay(nullptr)) {
        // A window may go between listing it and asking about it: that is no failure.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    }
    ~Desktop() {
        if (m_display)
            XCloseDisplay(m_display);
    }
    bool isOpen() const { return m_display != nullptr; }

    // The viewable top-level window with this title, as placed on the screen.
    std::optional<QRect> shownWindow(const QString& title) const {
        Window rootReturn = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned int count = 0;
        XQueryTree(m_display, root(), &rootReturn, &parent, &children, &count);
        std::optional<QRect> found;
        for (unsigned int i = 0; i < count && !found; ++i) {
            char* name = nullptr;
            if (XFetchName(m_display, children[i], &name) && name) {
                XWindowAttributes attributes;
                if (title == QString::fromUtf8(name) &&
                    XGetWindowAttributes(m_display, children[i], &attributes) &&
                    attributes.map_state == IsViewable)
                    found = QRect(attributes.x, attributes.y, attributes.width, attributes.height);
                XFree(name);
            }
        }
        if (children)
            XFree(children);
        return found;
    }

    // The window manager's frame around the shown window with this title, as placed on the
    // screen: the manager's own window that holds the titled one, or the titled window itself
    // where no manager framed it.
    std::optional<QRect> framedWindow(const QString& title) const {
        Window rootReturn = None;
        Window parent = None;
        Window* frames = nullptr;
        unsigned int count = 0;
        XQueryTree(m_display, root(), &rootReturn, &parent, &frames, &count);
        std::optional<QRect> found;
        for (unsigned int i = 0; i < count && !found; ++i) {
            XWindowAttributes frame;
            if (!XGetWindowAttributes(m_display, frames[i], &frame) ||
                frame.map_state != IsViewable)
                continue;
            bool titled = nameOf(frames[i]) == title;
            forEachDescendant(frames[i], [&](Window child) { titled |= nameOf(child) == title; });
            if (titled)
                found = QRect(frame.x, frame.y, frame.width + 2 * frame.border_width,
                              frame.height + 2 * frame.border_width);
        }
        if (frames)
            XFree(frames);
        return found;
    }

    // Whether the window with this title stands where its program last asked for it, by the
    // place its size hints name: a busy window manager may first put a new window where it puts
    // windows of its own choosing, and it moves a window some time after the program asked.
    bool standsWhereAsked(const QString& title) const {
        const std::optional<Window> client = window(root(), title);
        XSizeHints hints{};
        long supplied = 0;
        if (!client || !XGetWMNormalHints(m_display, *client, &hints, &supplied) ||
            !(hints.flags & (USPosition | PPosition)))
            return false;
        Window child = None;
        int x = 0;
        int y = 0;
        return XTranslateCoordinates(m_display, *client, root(), 0, 0, &x, &y, &child) &&
               x == hints.x && y == hints.y;
    }

    // The title of the window the window manager holds active; empty when none.
    QString activeWindowTitle() const {
        const Atom active = XInternAtom(m_display, "_NET_ACTIVE_WINDOW", False);
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(m_display, root(), active, 0, 1, False, XA_WINDOW, &type, &format,
                               &count, &after, &data) != Success ||
            !data)
            return {};
        const Window window = count == 1 ? *reinterpret_cast<Window*>(data) : None;
        XFree(data);
        char* name = nullptr;
        QString title;
        if (window != None && XFetchName(m_display, window, &name) && name) {
            title = QString::fromUtf8(name);
            XFree(name);
        }
        return title;
    }

    // The title of the top-level window that has the keyboard focus; empty when none has.
    QString focusedWindowTitle() const {
        Window focus = None;
        int revertTo = 0;
        XGetInputFocus(m_display, &focus, &revertTo);
        // The focus may rest on a child of the window that carries the title.
        while (focus != None && focus != PointerRoot && focus != root()) {
            char* name = nullptr;
            if (XFetchName(m_display, focus, &name) && name) {
                const QString title = QString::fromUtf8(name);
                XFree(name);
                return title;
            }
            Window rootReturn = None;
            Window parent = None;
            Window* children = nullptr;
            unsigned int count = 0;
            if (!XQueryTree(m_display, focus, &rootReturn, &parent, &children, &count))
                return {};
            if (children)
                XFree(children);
            focus = parent;
        }
        return {};
    }

    // Moves the pointer to `point` and gives the title of the top-level window that the pointer
    // is in for the X server, which counts only where a window takes input: the window itself, or
    // the client inside a window manager's frame. Empty over the bare desktop.
    QString windowTitleAt(QPoint point) const {
        XTestFakeMotionEvent(m_display, -1, point.x(), point.y(), CurrentTime);
        XSync(m_display, False);
        Window rootReturn = None;
        Window child = None;
        int rootX = 0;
        int rootY = 0;
        int x = 0;
        int y = 0;
        unsigned int mask = 0;
        if (!XQueryPointer(m_display, root(), &rootReturn, &child, &rootX, &rootY, &x, &y, &mask) ||
            child == None)
            return {};
        QString title = nameOf(child);
        if (title.isEmpty())
            forEachDescendant(child, [&](Window descendant) {
                if (title.isEmpty())
                    title = nameOf(descendant);
            });
        return title;
    }

    // Whether a program holds the keyboard, as a menu does while it is open. Asked with a grab on
    // a window that never shows, which the server refuses either way: a grab of the test's that
    // succeeded, held even for a moment, would make a menu's own grab fail for good.
    bool keyboardIsGrabbed() const {
        const Window hidden = XCreateWindow(m_display, root(), -1, -1, 1, 1, 0, 0, InputOnly,
                                            CopyFromParent, 0, nullptr);
        const int status =
            XGrabKeyboard(m_display, hidden, False, GrabModeAsync, GrabModeAsync, CurrentTime);
        if (status == GrabSuccess)
            XUngrabKeyboard(m_display, CurrentTime);
        XDestroyWindow(m_display, hidden);
        XFlush(m_display);
        return status == AlreadyGrabbed;
    }

    // Where the panel's dark sheet, hanging from the top edge, ends in column `x` now: the first
    // row from which the column stays light, as the desktop under the sheet does, so that a light
    // control the column crosses (the progress bar filled past the middle, a word) is not taken
    // for the sheet's end.
    int sheetBottom(int x) const {
        constexpr int height = 400;
        constexpr int desktopRows = 30;
        XImage* column = XGetImage(m_display, root(), x, 0, 1, height, AllPlanes, ZPixmap);
        if (!column)
            return 0;
        int bottom = height;
        int lightRows = 0;
        for (int y = 0; y < height && bottom == height; ++y) {
            lightRows = qGray(QRgb(XGetPixel(column, 0, y))) < 60 ? 0 : lightRows + 1;
            if (lightRows == desktopRows)
                bottom = y + 1 - desktopRows;
        }
        XDestroyImage(column);
        return bottom;
    }

    void tap(KeySym symbol) {
        key(symbol, True);
        key(symbol, False);
    }
    void key(KeySym symbol, int down) {
        XTestFakeKeyEvent(m_display, XKeysymToKeycode(m_display, symbol), down, CurrentTime);
        XFlush(m_display);
    }
    // Glides the pointer to `point` from 50 pixels to its right in small relative steps, as a
    // hand would: raw motion (which the panel follows) reports only such moves, not jumps.
    void pointTo(QPoint point) {
        XTestFakeMotionEvent(m_display, -1, point.x() + 50, point.y(), CurrentTime);
        XFlush(m_display);
        for (int step = 0; step < 10; ++step) {
            pumpUntil([] { return false; }, 20);
            XTestFakeRelativeMotionEvent(m_display, -5, 0, CurrentTime);
            XFlush(m_display);
        }
        pumpUntil([] { return false; }, 100);
    }
    void click(QPoint point, unsigned int button = Button1) {
        pointTo(point);
        press(button);
    }
    // Jumps to `point` and clicks at once, as a hurried hand does.
    void clickAt(QPoint point) {
        XTestFakeMotionEvent(m_display, -1, point.x(), point.y(), CurrentTime);
        press(Button1);
    }
    // Opens the context menu at `point` (or, with the left button, the tray icon's menu) with a
    // press held as a finger holds it: the tray shows its menu only for a press it sees alone.
    void openMenuAt(QPoint point, unsigned int button = Button3) {
        XTestFakeMotionEvent(m_display, -1, point.x(), point.y(), CurrentTime);
        XTestFakeButtonEvent(m_display, button, True, CurrentTime);
        XFlush(m_display);
        pumpUntil([] { return false; }, 300);
        XTestFakeButtonEvent(m_display, button, False, CurrentTime);
        XFlush(m_display);
    }
    // Types lower-case letters and digits, whose key symbols are their own codes.
    void type(const QString& text) {
        for (const QChar character : text)
            tap(KeySym(character.unicode()));
    }
    // The icon that the tray host holds: the smallest icon-sized window inside the host's own.
    std::optional<QRect> trayIcon(const QString& hostTitle = QStringLiteral("panel")) const {
        const std::optional<Window> host = window(root(), hostTitle);
        std::optional<QRect> smallest;
        if (host)
            forEachDescendant(*host, [&](Window child) {
                XWindowAttributes attributes;
                if (!XGetWindowAttributes(m_display, child, &attributes) ||
                    attributes.map_state != IsViewable || attributes.width < 8 ||
                    attributes.height < 8 || attributes.width > 64 || attributes.height > 64)
                    return;
                int x = 0;
                int y = 0;
                Window ignored = None;
                XTranslateCoordinates(m_display, child, root(), 0, 0, &x, &y, &ignored);
                const QRect rect(x, y, attributes.width, attributes.height);
                if (!smallest ||
                    rect.width() * rect.height() < smallest->width() * smallest->height())
                    smallest = rect;
            });
        return smallest;
    }

private:
    Window root() const { return DefaultRootWindow(m_display); }
    QString nameOf(Window window) const {
        char* name = nullptr;
        if (!XFetchName(m_display, window, &name) || !name)
            return {};
        const QString title = QString::fromUtf8(name);
        XFree(name);
        return title;
    }
    void press(unsigned int button) {
        XTestFakeButtonEvent(m_display, button, True, CurrentTime);
        XTestFakeButtonEvent(m_display, button, False, CurrentTime);
        XFlush(m_display);
    }
    template <class Visit> void forEachDescendant(Window parent, const Visit& visit) const {
        Window rootReturn = None;
        Window parentReturn = None;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(m_display, parent, &rootReturn, &parentReturn, &children, &count))
            return;
        for (unsigned int i = 0; i < count; ++i) {
            visit(children[i]);
            forEachDescendant(children[i], visit);
        }
        if (children)
            XFree(children);
    }
    std::optional<Window> window(Window parent, const QString& title) const {
        std::optional<Window> found;
        forEachDescendant(parent, [&](Window child) {
            char* name = nullptr;
            if (!found && XFetchName(m_display, child, &name) && name) {
                if (title == QString::fromUtf8(name))
                    found = child;
                XFree(name);
            }
        });
        return found;
    }
    Display* m_display;
};

// A running program with its output collected line by line.
class Program {
public:
    Program(const QString& path, const QStringList& arguments,
            const QProcessEnvironment& environment) {
        m_process.setProcessEnvironment(environment);
        TestSupport::endWithTheTest(m_process);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this] {
            while (m_process.canReadLine())
                m_lines << QString::fromUtf8(m_process.readLine()).trimmed();
        });
        m_process.start(path, arguments);
    }
    ~Program() {
        m_process.terminate();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished();
    }
    // Waits for a line that matches `pattern`, as long as a loaded machine may take to print it.
    bool waitForLine(const QString& pattern, int timeoutMs = 30000) {
        const QRegularExpression expression(pattern);
        return pumpUntil([&] { return !m_lines.filter(expression).isEmpty(); }, timeoutMs);
    }
    const QStringList& lines() const { return m_lines; }
    bool isRunning() const { return m_process.state() == QProcess::Running; }
    // Sends SIGTERM and waits for the end: the exit status, or nothing when the program did not
    // exit by itself within the time.
    std::optional<int> terminate(int timeoutMs = 15000) {
        m_process.terminate();
        if (!pumpUntil([&] { return m_process.state() == QProcess::NotRunning; }, timeoutMs))
            return std::nullopt;
        if (m_process.exitStatus() != QProcess::NormalExit)
            return std::nullopt;
        return m_process.exitCode();
    }
    qint64 processId() const { return m_process.processId(); }

private:
    QProcess m_process;
    QStringList m_lines;
};

} // namespace DesktopDriver

// The real application's tray icon in the desktop session that scripts/ci-services.sh starts: on
// the embedding tray, tinted as PARLINO_TRAY_TINT says (dark or light), the glyph must stand out
// from the tray by at least 3:1 on the screen itself; a status-notifier host must be handed the
// themed symbol, which it recolours itself.
#include "Parlino/Shell/TrayIconTint.h"
#include "Parlino/Shell/TrayIconTone.h"

#include "support/DesktopSession.h"
#include "support/EventLoop.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>

namespace {

// A status-notifier host's watcher on the session bus, as a desktop that draws tray icons itself
// has: it notes the items that register.
class StatusNotifierWatcher final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    explicit StatusNotifierWatcher(QObject* owner) : QDBusAbstractAdaptor(owner) {}

    bool isHostRegistered() const { return true; }
    QStringList items() const { return m_items; }
    int protocolVersion() const { return 0; }

public slots:
    void RegisterStatusNotifierItem(const QString& service) { m_items.append(service); }
    void RegisterStatusNotifierHost(const QString&) {}

private:
    QStringList m_items;
};

} // namespace

// Before Xlib's macros (None, Bool), which the meta-object code clashes with.
#include "TrayIconE2ETests.moc"

// Xlib's macros come after every C++ header.
#include "DesktopDriver.h"

using namespace DesktopDriver;
using Parlino::TrayIconTone::backdropOf;
using Parlino::TrayIconTone::contrastRatio;

namespace {

constexpr double legibleContrast = 3;

// What the screen shows at `place`.
QImage screenAt(const QRect& place) {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return {};
    QImage picture;
    if (XImage* image =
            XGetImage(display, DefaultRootWindow(display), place.x(), place.y(),
                      unsigned(place.width()), unsigned(place.height()), AllPlanes, ZPixmap)) {
        picture = QImage(place.size(), QImage::Format_RGB32);
        for (int y = 0; y < place.height(); ++y)
            for (int x = 0; x < place.width(); ++x)
                picture.setPixel(x, y, QRgb(XGetPixel(image, x, y)) | 0xff000000);
        XDestroyImage(image);
    }
    XCloseDisplay(display);
    return picture;
}

// The contrast between the tray behind the icon and the glyph's pixel that stands out most.
double glyphContrast(const QImage& picture, const QColor& tray) {
    double most = 1;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            most = std::max(most, contrastRatio(picture.pixelColor(x, y), tray));
    return most;
}

// Publishes the tray's icon colours on its manager's window, as a themed panel does: `foreground`,
// then the error, warning and success colours (left black). False without a tray.
bool publishTrayColours(const QColor& foreground) {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    const QByteArray selection = "_NET_SYSTEM_TRAY_S" + QByteArray::number(DefaultScreen(display));
    const Window manager =
        XGetSelectionOwner(display, XInternAtom(display, selection.constData(), False));
    if (manager) {
        const QRgba64 rgb = foreground.rgba64();
        long channels[12] = {rgb.red(), rgb.green(), rgb.blue()};
        XChangeProperty(display, manager, XInternAtom(display, "_NET_SYSTEM_TRAY_COLORS", False),
                        XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(channels), 12);
        XSync(display, False);
    }
    XCloseDisplay(display);
    return manager != 0;
}

// The application's menu open on the screen now, as placed: its shown window that the window
// manager leaves alone and that is none of its floating surfaces (utility windows).
std::optional<QRect> openMenu() {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return std::nullopt;
    const Atom typeAtom = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
    const Atom utility = XInternAtom(display, "_NET_WM_WINDOW_TYPE_UTILITY", False);
    Window root = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
    std::optional<QRect> found;
    for (unsigned int i = 0; i < count && !found; ++i) {
        XWindowAttributes attributes;
        XClassHint hint{nullptr, nullptr};
        if (!XGetWindowAttributes(display, children[i], &attributes) ||
            attributes.map_state != IsViewable || !attributes.override_redirect ||
            !XGetClassHint(display, children[i], &hint))
            continue;
        const bool ours = hint.res_name && qstrcmp(hint.res_name, "parlino") == 0;
        XFree(hint.res_name);
        XFree(hint.res_class);
        Atom actualType = None;
        int format = 0;
        unsigned long items = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        bool isSurface = false;
        if (XGetWindowProperty(display, children[i], typeAtom, 0, 16, False, XA_ATOM, &actualType,
                               &format, &items, &remaining, &data) == Success &&
            data) {
            const auto* types = reinterpret_cast<const Atom*>(data);
            isSurface = std::find(types, types + items, utility) != types + items;
            XFree(data);
        }
        if (ours && !isSurface)
            found = QRect(attributes.x, attributes.y, attributes.width, attributes.height);
    }
    if (children)
        XFree(children);
    XCloseDisplay(display);
    return found;
}

// The title of the window that has the keyboard: the focused window or the nearest named one
// above it (a toolkit may focus a window of its own inside its top-level window).
QString focusedTitle() {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return {};
    Window window = None;
    int revert = 0;
    XGetInputFocus(display, &window, &revert);
    QString title;
    while (window != None && window != PointerRoot && title.isEmpty()) {
        char* name = nullptr;
        if (XFetchName(display, window, &name) && name) {
            title = QString::fromUtf8(name);
            XFree(name);
        }
        Window root = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, window, &root, &parent, &children, &count))
            break;
        if (children)
            XFree(children);
        window = parent == root ? None : parent;
    }
    XCloseDisplay(display);
    return title;
}

} // namespace

// The application started in a home of its own, against no service (nothing here reads).
class TrayIconE2E : public ::testing::Test {
protected:
    void SetUp() override {
        PARLINO_REQUIRE_SERVICE(desktop.isOpen() && TestSupport::inDesktopSession(),
                                "no desktop session (scripts/ci-services.sh starts one)");
        ASSERT_TRUE(home.isValid());
    }
    void launch() {
        const QProcessEnvironment environment =
            applicationEnvironment(home, QUrl(QStringLiteral("http://127.0.0.1:9")));
        ASSERT_FALSE(environment.isEmpty());
        app = std::make_unique<Program>(QStringLiteral(PARLINO_APP), QStringList(), environment);
        ASSERT_TRUE(app->waitForLine("tray: icon installed"));
    }
    // Where the embedding tray holds the icon.
    void findIcon() {
        ASSERT_TRUE(pumpUntil([&] { return (icon = desktop.trayIcon()).has_value(); }, 10000));
    }
    std::string log() const { return app->lines().join('\n').toStdString(); }
    // Whether the menu just opened is shown and holds the keyboard, so that the keys typed next
    // are its own. Shown first: a look at the keyboard before would take it from the menu for a
    // moment.
    bool menuHoldsTheKeyboard() {
        return pumpUntil([] { return openMenu().has_value(); }) &&
               pumpUntil([&] { return desktop.keyboardIsGrabbed(); });
    }
    // Whether the icon shows a glyph in `colour`.
    bool shows(const QColor& colour) const {
        const QImage picture = screenAt(*icon);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                if (contrastRatio(picture.pixelColor(x, y), colour) < 1.05 &&
                    std::abs(picture.pixelColor(x, y).hue() - colour.hue()) < 10)
                    return true;
        return false;
    }

    Desktop desktop;
    QTemporaryDir home;
    std::unique_ptr<Program> app;
    std::optional<QRect> icon;
};

TEST_F(TrayIconE2E, TheGlyphTakesTheColourTheTrayPublishes) {
    const QColor published(0xff, 0x40, 0x00);
    ASSERT_TRUE(publishTrayColours(published));
    launch();
    findIcon();
    EXPECT_TRUE(pumpUntil([&] { return shows(published); }, 15000)) << log();

    // The panel's theme changes while the application rests.
    ASSERT_TRUE(waitUntilResting(app->processId()));
    const QColor later(0x00, 0xc0, 0xff);
    ASSERT_TRUE(publishTrayColours(later));
    EXPECT_TRUE(pumpUntil([&] { return shows(later); }, 15000)) << log();
}

TEST_F(TrayIconE2E, AStatusNotifierHostIsHandedTheThemedSymbol) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.isConnected());
    QObject host;
    auto* watcher = new StatusNotifierWatcher(&host);
    ASSERT_TRUE(bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &host));
    ASSERT_TRUE(bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")));
    // The symbol installed in the user's icon theme, as the package installs it for everyone.
    const QString symbols = home.filePath(QStringLiteral("data/icons/hicolor/symbolic/apps"));
    ASSERT_TRUE(QDir().mkpath(symbols));
    ASSERT_TRUE(QFile::copy(QStringLiteral(PARLINO_SYMBOLIC_ICON),
                            symbols + QStringLiteral("/parlino-symbolic.svg")));
    launch();
    ASSERT_TRUE(pumpUntil([&] { return !watcher->items().isEmpty(); }, 10000))
        << "the icon never registered with the host";

    // An item names its bus service, or its service and object path.
    const QString item = watcher->items().first();
    const qsizetype slash = item.indexOf(QLatin1Char('/'));
    QDBusInterface sni(slash < 0 ? item : item.left(slash),
                       slash < 0 ? QStringLiteral("/StatusNotifierItem") : item.mid(slash),
                       QStringLiteral("org.kde.StatusNotifierItem"), bus);
    EXPECT_EQ(sni.property("IconName").toString(),
              QString::fromLatin1(Parlino::TrayIconTint::themedName))
        << log();
    EXPECT_EQ(desktop.trayIcon(), std::nullopt) << "the icon is in the embedding tray too";

    // The host's activation (a click, or its key) opens the menu.
    sni.call(QStringLiteral("Activate"), 0, 0);
    EXPECT_TRUE(pumpUntil([&] { return openMenu().has_value(); })) << log();
    desktop.tap(XK_Escape);
    bus.unregisterService(QStringLiteral("org.kde.StatusNotifierWatcher"));
}

TEST_F(TrayIconE2E, ALeftClickOpensTheMenuAtTheIconAsTheRightClickDoes) {
    launch();
    findIcon();
    const QPoint at = icon->center();
    for (const unsigned int button : {Button1, Button3}) {
        SCOPED_TRACE(button);
        desktop.openMenuAt(at, button);
        ASSERT_TRUE(menuHoldsTheKeyboard()) << log();
        const std::optional<QRect> menu = openMenu();
        ASSERT_TRUE(menu.has_value());
        // At the pointer, moved in from the screen's edge.
        EXPECT_TRUE(menu->adjusted(-8, -8, 8, 8).contains(at) && std::abs(menu->y() - at.y()) <= 8)
            << "the menu opens at " << menu->x() << "," << menu->y();
        desktop.tap(XK_Escape);
        ASSERT_TRUE(pumpUntil([&] { return !openMenu().has_value(); }));
    }
}

// The keys the menu shows work in the open menu and in the application's windows.
TEST_F(TrayIconE2E, TheMenusKeysWorkInTheOpenMenuAndInTheApplicationsWindows) {
    launch();
    findIcon();
    const auto withControl = [&](KeySym symbol) {
        desktop.key(XK_Control_L, True);
        desktop.tap(symbol);
        desktop.key(XK_Control_L, False);
    };
    const auto hasKeys = [&](const QString& title) {
        return pumpUntil([&] { return focusedTitle() == title; });
    };
    const auto openTheMenu = [&] {
        desktop.openMenuAt(icon->center());
        return menuHoldsTheKeyboard();
    };
    ASSERT_TRUE(openTheMenu()) << log();
    for (int item = 0; item < 3; ++item)
        desktop.tap(XK_Down);
    desktop.tap(XK_Return);
    ASSERT_TRUE(hasKeys("Audio Clips")) << focusedTitle().toStdString() << "\n" << log();
    withControl(XK_comma);
    ASSERT_TRUE(hasKeys("Parlino Settings")) << focusedTitle().toStdString() << "\n" << log();
    withControl(XK_w);
    ASSERT_TRUE(pumpUntil([&] { return !desktop.shownWindow("Parlino Settings"); }));
    ASSERT_TRUE(hasKeys("Audio Clips"));

    ASSERT_TRUE(openTheMenu()) << log();
    withControl(XK_comma);
    EXPECT_TRUE(pumpUntil([&] { return !openMenu().has_value(); })) << "the key closes the menu";
    ASSERT_TRUE(hasKeys("Parlino Settings")) << focusedTitle().toStdString() << "\n" << log();
    withControl(XK_q);
    EXPECT_TRUE(pumpUntil([&] { return !app->isRunning(); })) << log();
}

// Two right clicks on the icon within the desktop's double-click time: the toolkit reports the
// second press only as a double click, which the icon's own widget leaves unused for the right
// button. The menu opens for it all the same, and the keys typed next are the menu's.
TEST_F(TrayIconE2E, ARightClickSoonAfterTheLastOneOpensTheMenuToo) {
    launch();
    findIcon();
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    const auto rightClick = [&] {
        XTestFakeMotionEvent(display, -1, icon->center().x(), icon->center().y(), CurrentTime);
        XTestFakeButtonEvent(display, Button3, True, CurrentTime);
        XFlush(display);
        pumpUntil([] { return openMenu().has_value(); }, 150);
        XTestFakeButtonEvent(display, Button3, False, CurrentTime);
        XFlush(display);
    };
    rightClick();
    ASSERT_TRUE(menuHoldsTheKeyboard()) << log();
    desktop.tap(XK_Escape);
    ASSERT_TRUE(pumpUntil([] { return !openMenu().has_value(); }));
    rightClick();
    EXPECT_TRUE(menuHoldsTheKeyboard()) << log();
    desktop.tap(XK_Escape);
    EXPECT_TRUE(pumpUntil([] { return !openMenu().has_value(); }));
    XCloseDisplay(display);
}

TEST_F(TrayIconE2E, TheGlyphStandsOutFromTheTray) {
    const QColor tint(QString::fromLatin1(qgetenv("PARLINO_TRAY_TINT")).replace("0x", "#"));
    ASSERT_TRUE(tint.isValid()) << "PARLINO_TRAY_TINT names the tray's colour, as 0xRRGGBB";
    launch();
    findIcon();
    QImage picture;
    std::optional<QColor> tray;
    const bool legible = pumpUntil(
        [&] {
            picture = screenAt(*icon);
            tray = backdropOf(picture);
            return tray && glyphContrast(picture, *tray) >= legibleContrast;
        },
        15000);
    picture.save(
        QStringLiteral(PARLINO_SCREENSHOT_DIR "/tray-icon-%1.png").arg(tint.name().mid(1)));
    ASSERT_TRUE(tray.has_value());
    EXPECT_LT(contrastRatio(*tray, tint), 1.2)
        << "the icon sits on " << tray->name().toStdString() << ", not on the tinted tray";
    EXPECT_TRUE(legible) << "the glyph stands out by only " << glyphContrast(picture, *tray)
                         << ":1\n"
                         << log();
}

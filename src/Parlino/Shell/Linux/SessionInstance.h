#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace Parlino {

// The one running application of a desktop session: it holds the name "com.parlino.app" on the
// session bus (InstanceClaim) and answers there to other programs, which may hand it a text to
// read (ReadWithParlino) or ask it to open its panel (OpenPanel). A text larger than the
// hand-over's bound is answered with the error `tooLargeError`, naming the bound. Main thread
// only.
class SessionInstance final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.parlino.app")

public:
    static inline const QString serviceName = QStringLiteral("com.parlino.app");
    static inline const QString objectPath = QStringLiteral("/com/parlino/app");
    static inline const QString tooLargeError =
        QStringLiteral("com.parlino.app.Error.TextTooLarge");

    SessionInstance() = default;
    // Lets go of the name before the object goes, so that no call finds the name without the
    // object that answers it.
    ~SessionInstance() override;

    // Answers at objectPath on `bus`, before the name is asked for, so that no call finds the
    // name without the object.
    void answerOn(QDBusConnection bus);
    // From now on passes the texts handed over to `read`, and the requests to open the panel to
    // `openPanel`. Calls reach the object from the event loop only, so none comes before this.
    void serve(std::function<void(const QString&)> read, std::function<void()> openPanel);

public slots:
    Q_SCRIPTABLE void ReadWithParlino(const QString& text);
    Q_SCRIPTABLE void OpenPanel();

private:
    // Runs `take` and answers the call once the event loop turns again.
    void takeOnTheNextTurn(std::function<void()> take);

    std::optional<QDBusConnection> m_bus;
    std::function<void(const QString&)> m_read;
    std::function<void()> m_openPanel;
};

// What a plain start does first, before it touches anything of the user's: it takes the
// application's name on the session bus, or asks the application that holds it to open its panel
// (InstanceClaim). Says on standard error, after the program's `name`, why it could not. Gives
// the status to exit with, or none when this start is the session's application: then `instance`
// answers on the bus (or there is no session bus, and it runs without). When the bus does not
// answer the connection within the bound, says so and ends the process at once: the connecting
// cannot be called off.
std::optional<int> claimOrHandOver(const QString& name, SessionInstance& instance);

// What `parlino --read` does: hands its standard input to the session's application over the
// session bus, with no window and so with no X display; only when none runs does it start one,
// which needs the display, and without one it says so. Says on standard error, after the
// program's `name`, why it could not; gives the status to exit with. Needs a QCoreApplication,
// no more.
int handOverStandardInput(const QString& name);

} // namespace Parlino

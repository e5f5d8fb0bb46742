#pragma once

#include "Base/Result.h"

#include <QDBusContext>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace Parlino {

// The one running application of a desktop session: it owns the name "com.parlino.app" on the
// session bus and answers there to other programs, which may hand it a text to read
// (ReadWithParlino) or ask it to open its panel (OpenPanel). A text larger than the hand-over's
// bound is answered with the error `tooLargeError`, naming the bound. Main thread only.
class SessionInstance final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.parlino.app")

public:
    static inline const QString serviceName = QStringLiteral("com.parlino.app");
    static inline const QString objectPath = QStringLiteral("/com/parlino/app");
    static inline const QString tooLargeError =
        QStringLiteral("com.parlino.app.Error.TextTooLarge");

    SessionInstance(std::function<void(const QString&)> read, std::function<void()> openPanel);

    // Takes the name; false when another process holds it (or there is no session bus).
    bool claim();

    // Asks the running application to open its panel; false when none answers.
    static bool openRunningPanel();
    // Hands the text to the running application, starting `program` first when none runs (apart
    // from the caller, see DetachedStart), and waits a bounded time for it to be taken; fails
    // with the message saying why it was not.
    static Base::Result<void, QString> handOverText(const QString& text, const QString& program);

public slots:
    Q_SCRIPTABLE void ReadWithParlino(const QString& text);
    Q_SCRIPTABLE void OpenPanel();

private:
    std::function<void(const QString&)> m_read;
    std::function<void()> m_openPanel;
};

// What a start does when it only passes something on: asked to `read`, it hands its standard
// input to the session's application (starting one when none runs), or says on standard error,
// after the program's `name`, why it did not; otherwise, when an application runs already, it
// asks it to open its panel. Gives the status to exit with then, or none when this start is the
// session's application.
std::optional<int> handOverToRunningInstance(bool read, const QString& name);

} // namespace Parlino

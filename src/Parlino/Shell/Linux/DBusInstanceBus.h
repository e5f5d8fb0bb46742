#pragma once

#include "Parlino/Shell/InstanceClaim.h"

#include <QDBusConnection>

#include <functional>
#include <optional>

namespace Parlino {

// The application's name "com.parlino.app" on a session bus connection, as InstanceClaim sees
// it: the name's holder answers at SessionInstance's object, and a start runs `program` apart
// from this process (DetachedStart), unless `startProblem`, asked first, names what keeps the
// program from running. Main thread only.
class DBusInstanceBus final : public InstanceBus {
public:
    DBusInstanceBus(QDBusConnection bus, QString program,
                    std::function<std::optional<QString>()> startProblem);

    Base::Result<bool, QString> claim(std::chrono::milliseconds bound) override;
    std::optional<QString> holder(std::chrono::milliseconds bound) override;
    Delivery deliver(const QString& holder, const InstanceRequest& request,
                     std::chrono::milliseconds bound) override;
    Base::Result<void, QString> start(std::chrono::milliseconds bound) override;

private:
    QDBusConnection m_bus;
    QString m_program;
    std::function<std::optional<QString>()> m_startProblem;
};

} // namespace Parlino

#pragma once

#include "Parlino/Shell/InstanceClaim.h"

#include <QDBusConnection>

namespace Parlino {

// The application's name "com.parlino.app" on a session bus connection, as InstanceClaim sees
// it: the name's holder answers at SessionInstance's object, and a start runs `program` apart
// from this process (DetachedStart). Main thread only.
class DBusInstanceBus final : public InstanceBus {
public:
    DBusInstanceBus(QDBusConnection bus, QString program);

    Base::Result<bool, QString> claim(std::chrono::milliseconds bound) override;
    std::optional<QString> holder(std::chrono::milliseconds bound) override;
    Delivery deliver(const QString& holder, const InstanceRequest& request,
                     std::chrono::milliseconds bound) override;
    Base::Result<void, QString> start(std::chrono::milliseconds bound) override;

private:
    QDBusConnection m_bus;
    QString m_program;
};

} // namespace Parlino

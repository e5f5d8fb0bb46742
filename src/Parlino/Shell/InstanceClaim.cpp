#include "Parlino/Shell/InstanceClaim.h"

#include <algorithm>

namespace Parlino {

namespace {

using namespace std::chrono_literals;
using Kind = InstanceRequest::Kind;
using Outcome = InstanceClaim::Outcome;

Outcome failed(const QString& message) {
    return {Outcome::Kind::failed, message};
}

// Why the request came to nothing though the application holds its name.
QString unansweredMessage(const InstanceRequest& request, std::chrono::milliseconds bound) {
    if (request.kind == Kind::read)
        return QStringLiteral("the running Parlino did not take the text ") +
               InstanceClaim::within(bound);
    return QStringLiteral("the running Parlino did not answer ") + InstanceClaim::within(bound);
}

// The same when the request reached an application that still holds the name: it waits for the
// application, which takes it once it answers again (it was stopped, or too busy).
QString waitingMessage(const InstanceRequest& request, std::chrono::milliseconds bound) {
    return unansweredMessage(request, bound) +
           (request.kind == Kind::read
                ? QStringLiteral("; it may still read the text once it answers again, so trying "
                                 "again could read it twice")
                : QStringLiteral("; it may still open its panel once it answers again"));
}

} // namespace

QString InstanceClaim::within(std::chrono::milliseconds bound) {
    const qint64 seconds = std::max<qint64>((bound.count() + 999) / 1000, 1);
    return seconds == 1 ? QStringLiteral("within 1 second")
                        : QStringLiteral("within %1 seconds").arg(seconds);
}

InstanceClaim::InstanceClaim(InstanceBus& bus, const Base::Clock& clock, double startedAt)
    : m_bus(bus), m_clock(clock),
      m_deadline(startedAt + std::chrono::duration<double>(bound).count()) {}

std::chrono::milliseconds InstanceClaim::left() const {
    const double seconds = std::max(m_deadline - m_clock.now(), 0.0);
    return std::chrono::milliseconds(qint64(seconds * 1000));
}

std::chrono::milliseconds InstanceClaim::stepLeft() const {
    return std::min(stepBound, left());
}

InstanceClaim::Outcome InstanceClaim::decide(const InstanceRequest& request) {
    const bool claims = request.kind != Kind::read;
    while (left() > 0ms) {
        if (claims) {
            const auto claimed = m_bus.claim(stepLeft());
            if (!claimed)
                return failed(claimed.error());
            if (*claimed)
                return {Outcome::Kind::run, {}};
            if (request.kind == Kind::none)
                return {Outcome::Kind::handedOver, {}};
        }
        if (const auto holder = m_bus.holder(stepLeft())) {
            if (const auto outcome = deliver(*holder, request))
                return *outcome;
        } else if (!claims) {
            if (const auto started = m_bus.start(stepLeft()); !started)
                return failed(started.error());
        }
        // The holder went: the name is free again, or another start holds it by now.
    }
    return failed(unansweredMessage(request, bound));
}

std::optional<Outcome> InstanceClaim::deliver(const QString& holder,
                                              const InstanceRequest& request) {
    const auto answerBound = stepLeft();
    const InstanceBus::Delivery delivery = m_bus.deliver(holder, request, answerBound);
    switch (delivery.kind) {
    case InstanceBus::Delivery::Kind::taken:
        return Outcome{Outcome::Kind::handedOver, {}};
    case InstanceBus::Delivery::Kind::refused:
        return failed(delivery.message);
    case InstanceBus::Delivery::Kind::unanswered:
        break;
    }
    if (m_bus.holder(stepLeft()) != holder)
        return std::nullopt;
    return failed(waitingMessage(request, answerBound));
}

} // namespace Parlino

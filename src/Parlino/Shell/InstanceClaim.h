#pragma once

#include "Base/Clock.h"
#include "Base/Result.h"

#include <QString>

#include <chrono>
#include <optional>

namespace Parlino {

// What a start of the program asks of the session's application.
struct InstanceRequest {
    enum class Kind {
        open, // a plain start: the running application opens its panel
        read, // `--read`: the running application reads `text`
        none, // a start that a client made to hand over a request of its own
    };
    Kind kind = Kind::open;
    QString text;
};

// The application's name on the session bus as a start sees it: who holds it, and the calls to
// the holder. Every call waits at most its `bound`.
class InstanceBus {
public:
    // What became of a request handed to the name's holder.
    struct Delivery {
        enum class Kind {
            taken,
            // No answer came: the holder let go of the name, or left the bus, or did not
            // answer within the bound.
            unanswered,
            // The holder answered with an error, `message`.
            refused,
        };
        Kind kind = Kind::taken;
        QString message;
    };

    virtual ~InstanceBus() = default;

    // Asks for the name without waiting in line for it: true when this process holds it now,
    // false when another does; fails with the message saying why the bus gave no answer.
    virtual Base::Result<bool, QString> claim(std::chrono::milliseconds bound) = 0;
    // The holder of the name, as its unique connection name; none while nobody holds it.
    virtual std::optional<QString> holder(std::chrono::milliseconds bound) = 0;
    virtual Delivery deliver(const QString& holder, const InstanceRequest& request,
                             std::chrono::milliseconds bound) = 0;
    // Starts the application apart from this process and waits until someone holds the name;
    // fails with the message saying why none does.
    virtual Base::Result<void, QString> start(std::chrono::milliseconds bound) = 0;
};

// Decides, first thing at a start, whether this process becomes the session's application or
// hands its request to the one that is: the one holding the name is the application, and no
// other touches anything of the user's. A start asks for the name; one that does not get it
// hands its request to the holder (a start made for a client has none, and ends at once). A
// client reading a text never takes the name: it hands the text over, and starts the application
// first when none runs. When the holder lets go of the name before it answered (it was quitting),
// the name is asked for again, or the application started again, so that no request is lost. The
// whole decision waits at most `bound`; each step (a call on the bus, a start) at most
// `stepBound` of it.
class InstanceClaim final {
public:
    static constexpr std::chrono::milliseconds bound{20000};
    static constexpr std::chrono::milliseconds stepBound{10000};

    struct Outcome {
        enum class Kind {
            run,        // this process holds the name: it is the session's application
            handedOver, // the request was taken (or there was none): this process ends
            failed,     // it could be neither: `message` says why
        };
        Kind kind = Kind::run;
        QString message;
    };

    // A bound as a start's messages name it, in whole seconds rounded up: "within 10 seconds".
    static QString within(std::chrono::milliseconds bound);

    // The bound counts from `startedAt`, in `clock`'s seconds.
    InstanceClaim(InstanceBus& bus, const Base::Clock& clock, double startedAt);

    Outcome decide(const InstanceRequest& request);

private:
    std::chrono::milliseconds left() const;
    // What one step may wait: stepBound, or what is left of the whole bound when that is less.
    std::chrono::milliseconds stepLeft() const;
    // The outcome of handing the request to `holder`; none when the holder let go of the name
    // first.
    std::optional<Outcome> deliver(const QString& holder, const InstanceRequest& request);

    InstanceBus& m_bus;
    const Base::Clock& m_clock;
    const double m_deadline;
};

} // namespace Parlino

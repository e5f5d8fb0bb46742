#include "Capture/CaptureCoordinator.h"

#include "Base/MainThread.h"

#include <algorithm>

namespace Capture {

using Core::CaptureError;

namespace {

// Tries the strategies in order: the first capture or hard failure wins; nothing and timedOut
// hand over to the next one.
CaptureResult runStrategies(const QList<std::shared_ptr<CaptureStrategy>>& strategies,
                            const CaptureTarget& target, std::stop_token stop) {
    for (const auto& strategy : strategies) {
        // Past the deadline, or at quit, nobody waits for what the next one would find.
        if (stop.stop_requested())
            return Base::failure(CaptureError::timedOut());
        StrategyResult result = strategy->capture(target, stop);
        if (!result) {
            if (result.error().kind() != CaptureError::Kind::timedOut)
                return Base::failure(result.error());
        } else if (*result) {
            return std::move(**result);
        }
    }
    return Base::failure(CaptureError::nothingSelected());
}

// A retargeted capture that found nothing, or no answer in time, means the user's selection was
// not reachable from here: they have to go back to their application.
CaptureResult outcome(CaptureResult result, const CaptureTarget& target) {
    if (!result && !target.isFrontmost &&
        (result.error().kind() == CaptureError::Kind::nothingSelected ||
         result.error().kind() == CaptureError::Kind::timedOut))
        return Base::failure(CaptureError::ownAppFrontmost());
    return result;
}

} // namespace

// One capture in flight, touched only on the main thread. The runner reports back through the
// coordinator's receiver; the race is decided by whichever of its report and the deadline comes
// first.
struct CaptureCoordinator::Run {
    CaptureTarget target;
    Completion completion;
    std::optional<CaptureResult> decided;
    bool runnerEnded = false;
    Base::ScheduledTask deadline;
    std::stop_source stop;

    void runnerFinished(CaptureResult result) {
        runnerEnded = true;
        if (!decided) {
            decided = std::move(result);
            deadline.cancel();
        }
        completeIfReady();
    }

    void deadlineReached() {
        if (!decided)
            decided = Base::failure(CaptureError::timedOut());
        stop.request_stop();
        completeIfReady();
    }

    void completeIfReady() {
        if (decided && runnerEnded && completion)
            std::exchange(completion, nullptr)(outcome(std::move(*decided), target));
    }
};

CaptureCoordinator::CaptureCoordinator(
    QList<std::shared_ptr<CaptureStrategy>> strategies,
    std::function<Core::FrontmostApp()> frontmostApp, std::function<QSet<QString>()> denyList,
    std::optional<QString> ownBundleID,
    std::function<std::optional<Core::FrontmostApp>()> previousExternalApp, double deadline,
    qsizetype reducedModeStrategyCount, Base::Scheduler& scheduler)
    : m_strategies(std::move(strategies)), m_frontmostApp(std::move(frontmostApp)),
      m_denyList(std::move(denyList)), m_ownBundleID(std::move(ownBundleID)),
      m_previousExternalApp(std::move(previousExternalApp)), m_deadline(deadline),
      m_reducedModeStrategyCount(std::max<qsizetype>(reducedModeStrategyCount, 0)),
      m_scheduler(scheduler) {}

CaptureCoordinator::~CaptureCoordinator() = default;

void CaptureCoordinator::capture(CaptureMode mode, Completion completion) const {
    auto target = resolveTarget();
    if (!target) {
        Base::MainThread::post(*m_receiver,
                               [completion = std::move(completion), error = target.error()] {
                                   completion(Base::failure(error));
                               });
        return;
    }

    auto run = std::make_shared<Run>();
    run->target = *target;
    run->completion = std::move(completion);
    run->deadline = m_scheduler.after(m_deadline, [weak = std::weak_ptr<Run>(run)] {
        if (auto run = weak.lock())
            run->deadlineReached();
    });
    m_runner->run(
        *m_receiver,
        [strategies = strategiesFor(mode), target = *target,
         deadline = run->stop.get_token()](std::stop_token quitting) {
            std::stop_source either;
            const std::stop_callback onDeadline(deadline, [&] { either.request_stop(); });
            const std::stop_callback onQuit(quitting, [&] { either.request_stop(); });
            return runStrategies(strategies, target, either.get_token());
        },
        [run](CaptureResult result) { run->runnerFinished(std::move(result)); });
}

Base::Result<CaptureTarget, CaptureError> CaptureCoordinator::resolveTarget() const {
    const Core::FrontmostApp frontmost = m_frontmostApp();
    CaptureTarget target{frontmost, true};
    if (m_ownBundleID && *m_ownBundleID == frontmost.bundleID) {
        const auto previous = m_previousExternalApp();
        if (!previous)
            return Base::failure(CaptureError::ownAppFrontmost());
        target = {*previous, false};
    }
    if (m_denyList().contains(target.app.bundleID))
        return Base::failure(CaptureError::appDenied(target.app.bundleID));
    return target;
}

QList<std::shared_ptr<CaptureStrategy>> CaptureCoordinator::strategiesFor(CaptureMode mode) const {
    if (mode == CaptureMode::full)
        return m_strategies;
    return m_strategies.first(std::min(m_reducedModeStrategyCount, m_strategies.size()));
}

} // namespace Capture

#pragma once

#include "Base/Result.h"
#include "Base/Scheduler.h"
#include "Base/Worker.h"
#include "Capture/CaptureStrategy.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace Capture {

using CaptureResult = Base::Result<Core::SelectionCapture, Core::CaptureError>;

// Answers, for every press of a read trigger, what text the user has selected and in which
// application: it aims at the front-most application (or at the previous one when this
// application is in front), refuses applications on the deny list, and runs its strategies in
// order on a worker thread, raced against a deadline. Holds no mutable state; captures may
// overlap. Writes no log lines.
class CaptureCoordinator {
public:
    using Completion = std::function<void(CaptureResult)>;

    // The closures are called on the main thread, at most once each per capture. `deadline` is in
    // seconds; the scheduler measures it and must outlive every capture.
    CaptureCoordinator(QList<std::shared_ptr<CaptureStrategy>> strategies,
                       std::function<Core::FrontmostApp()> frontmostApp,
                       std::function<QSet<QString>()> denyList, std::optional<QString> ownBundleID,
                       std::function<std::optional<Core::FrontmostApp>()> previousExternalApp,
                       double deadline, qsizetype reducedModeStrategyCount,
                       Base::Scheduler& scheduler);
    // Stops the capture running and waits for its strategy to return; no completion runs after.
    ~CaptureCoordinator();

    // Call on the main thread. `completion` runs there once, never from inside this call, and
    // only after the strategy that was running when the deadline passed has returned.
    void capture(CaptureMode mode, Completion completion) const;

private:
    struct Run;

    Base::Result<CaptureTarget, Core::CaptureError> resolveTarget() const;
    QList<std::shared_ptr<CaptureStrategy>> strategiesFor(CaptureMode mode) const;

    const QList<std::shared_ptr<CaptureStrategy>> m_strategies;
    const std::function<Core::FrontmostApp()> m_frontmostApp;
    const std::function<QSet<QString>()> m_denyList;
    const std::optional<QString> m_ownBundleID;
    const std::function<std::optional<Core::FrontmostApp>()> m_previousExternalApp;
    const double m_deadline;
    const qsizetype m_reducedModeStrategyCount;
    Base::Scheduler& m_scheduler;
    const std::unique_ptr<QObject> m_receiver = std::make_unique<QObject>();
    // One capture runs at a time; declared last, so it is stopped and joined first.
    const std::unique_ptr<Base::Worker> m_runner = std::make_unique<Base::Worker>();
};

} // namespace Capture

#pragma once

#include "Parlino/Shell/UpdateFeed.h"

#include <QString>

namespace Parlino {

// Tells the user what an update check found. The application never installs anything: a newer
// release is offered as a link to its download page.
class UpdatePresenter {
public:
    virtual ~UpdatePresenter() = default;
    // A release newer than the running version.
    virtual void presentUpdate(const UpdateFeed::Release& release,
                               const QString& currentVersion) = 0;
    // Answers to a check the user asked for; automatic checks keep quiet about these.
    virtual void presentUpToDate(const QString& currentVersion) = 0;
    virtual void presentCheckFailed() = 0;
};

// Message boxes; "Open Download Page" opens the page in the user's browser.
class MessageBoxUpdatePresenter : public UpdatePresenter {
public:
    void presentUpdate(const UpdateFeed::Release& release, const QString& currentVersion) override;
    void presentUpToDate(const QString& currentVersion) override;
    void presentCheckFailed() override;
};

} // namespace Parlino

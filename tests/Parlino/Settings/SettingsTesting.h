#pragma once

#include "support/EventLoop.h"
#include "support/FakeSecretStore.h"
#include "support/FakeSpeechService.h"

#include <QLocale>
#include <QNetworkAccessManager>

namespace SettingsTesting {

using Response = TestSupport::FakeSpeechService::Response;

// The user record of an account that has used `used` of `limit` characters this month.
inline Response quotaAnswer(qint64 used, qint64 limit) {
    return Response::json(Base::Json::Value{
        {"subscription", {{"character_count", used}, {"character_limit", limit}}}});
}

inline Response probationAnswer() {
    return Response::error(401, QStringLiteral("is_in_probation"), QStringLiteral("on hold"));
}

// A fake service, a fake key store and an English locale for the panes' models.
struct PaneServices {
    PaneServices() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    ~PaneServices() { QLocale::setDefault(previousLocale); }

    QLocale previousLocale;
    TestSupport::FakeSpeechService service;
    TestSupport::FakeSecretStore store;
    QNetworkAccessManager session;
};

} // namespace SettingsTesting

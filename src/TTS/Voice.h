#pragma once

#include <QString>
#include <QUrl>

#include <optional>

namespace TTS {

// A voice of the service as its voice list gives it.
struct Voice {
    QString id;
    QString name;
    QString category; // empty when the service gives none
    std::optional<QString> safetyControl;
    std::optional<QUrl> previewURL; // http or https only

    // The service holds the voice until a captcha is solved.
    bool requiresCaptcha() const { return safetyControl == u"CAPTCHA"; }

    friend bool operator==(const Voice&, const Voice&) = default;
};

} // namespace TTS

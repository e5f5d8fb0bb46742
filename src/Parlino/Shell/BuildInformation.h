#pragma once

#include "Base/PropertyValue.h"

#include <QString>

namespace Parlino::BuildInformation {

// The names of the application's build-time information.
inline const QString applicationVersionKey = QStringLiteral("ApplicationVersion");
inline const QString updatePublicKeyKey = QStringLiteral("SUPublicEDKey");
inline const QString updateFeedURLKey = QStringLiteral("UpdateFeedURL");

// The application's information as fixed when it was configured: its version, the Base64
// Ed25519 public key that signs its update feed and the feed's address, all strings.
const Base::PropertyValue::Dictionary& dictionary();

// The string under `key`, or an empty one when it is absent or not a string.
QString string(const Base::PropertyValue::Dictionary& information, const QString& key);

} // namespace Parlino::BuildInformation

#pragma once

#include "Base/Json.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <compare>
#include <optional>

// The update feed is one small JSON envelope:
//
//     {"feed": "<Base64 of the release document>", "signature": "<Base64 of its signature>"}
//
// The signature is a detached Ed25519 signature of the release document's exact bytes, made with
// the secret half of the key whose public half is built in as "SUPublicEDKey". The release
// document is UTF-8 JSON describing the newest release:
//
//     {"version": "1.4.2", "downloadPage": "https://parlino.example/download", "notes": "…"}
//
// "version" is dotted numeric, "downloadPage" an https address, "notes" optional plain text;
// other keys are ignored. Both Base64 texts are standard Base64 with padding and no line breaks.
namespace Parlino::UpdateFeed {

struct Release {
    QString version;
    QUrl downloadPage;
    QString notes;

    friend bool operator==(const Release&, const Release&) = default;
};

// Reads an envelope, trusting nothing in the release document until its signature checks out
// with `publicKey` (the 32 raw bytes).
Base::Json::Read<Release> open(const QByteArray& envelope, const QByteArray& publicKey);

// Orders two dotted numeric versions ("2", "1.10.3"); missing trailing parts count as zero, so
// "1.2" equals "1.2.0". Nullopt when either is not such a version.
std::optional<std::strong_ordering> compareVersions(const QString& a, const QString& b);

} // namespace Parlino::UpdateFeed

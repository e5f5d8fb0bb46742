#include "Parlino/Shell/UpdateFeed.h"

#include "Base/Base64.h"

#include <QList>

#include <algorithm>

#include <sodium.h>

namespace Parlino::UpdateFeed {

namespace {

using Base::Json::Error;
using Base::Json::Read;

Read<QByteArray> base64Member(const Base::Json::Value& envelope, std::string_view key) {
    auto text = Base::Json::require<QString>(envelope, key);
    if (!text)
        return Base::failure(text.error());
    auto bytes = Base::Base64::decodeStrict(text->toUtf8());
    if (!bytes)
        return Base::failure(
            Error{QStringLiteral("key \"%1\": not Base64").arg(QString::fromUtf8(key))});
    return *bytes;
}

bool isSignedBy(const QByteArray& document, const QByteArray& signature,
                const QByteArray& publicKey) {
    if (signature.size() != crypto_sign_BYTES || publicKey.size() != crypto_sign_PUBLICKEYBYTES)
        return false;
    if (sodium_init() < 0)
        return false;
    return crypto_sign_verify_detached(
               reinterpret_cast<const unsigned char*>(signature.constData()),
               reinterpret_cast<const unsigned char*>(document.constData()),
               static_cast<unsigned long long>(document.size()),
               reinterpret_cast<const unsigned char*>(publicKey.constData())) == 0;
}

std::optional<QList<qint64>> versionParts(const QString& version) {
    QList<qint64> parts;
    for (const QStringView part : QStringView(version).split(u'.')) {
        if (part.isEmpty() || part.size() > 9)
            return std::nullopt;
        qint64 value = 0;
        for (const QChar c : part) {
            if (c < u'0' || c > u'9')
                return std::nullopt;
            value = value * 10 + (c.unicode() - u'0');
        }
        parts.append(value);
    }
    return parts;
}

Read<Release> readRelease(const QByteArray& document) {
    auto json = Base::Json::parse(document);
    if (!json)
        return Base::failure(json.error());
    const auto version = Base::Json::require<QString>(*json, "version");
    const auto page = Base::Json::require<QString>(*json, "downloadPage");
    const auto notes = Base::Json::optional<QString>(*json, "notes");
    if (auto error = Base::Json::firstError(version, page, notes))
        return Base::failure(*error);
    if (!versionParts(*version))
        return Base::failure(Error{QStringLiteral("\"%1\" is not a version").arg(*version)});
    const QUrl downloadPage(*page, QUrl::StrictMode);
    if (!page->startsWith(QStringLiteral("https://")) || !downloadPage.isValid() ||
        downloadPage.host().isEmpty())
        return Base::failure(Error{QStringLiteral("the download page is not an https address")});
    return Release{*version, downloadPage, notes->value_or(QString())};
}

} // namespace

Read<Release> open(const QByteArray& envelope, const QByteArray& publicKey) {
    auto json = Base::Json::parse(envelope);
    if (!json)
        return Base::failure(json.error());
    const auto document = base64Member(*json, "feed");
    const auto signature = base64Member(*json, "signature");
    if (auto error = Base::Json::firstError(document, signature))
        return Base::failure(*error);
    if (!isSignedBy(*document, *signature, publicKey))
        return Base::failure(Error{QStringLiteral("the signature does not match")});
    return readRelease(*document);
}

std::optional<std::strong_ordering> compareVersions(const QString& a, const QString& b) {
    auto left = versionParts(a);
    auto right = versionParts(b);
    if (!left || !right)
        return std::nullopt;
    const qsizetype length = std::max(left->size(), right->size());
    left->resize(length, 0);
    right->resize(length, 0);
    return std::lexicographical_compare_three_way(left->begin(), left->end(), right->begin(),
                                                  right->end());
}

} // namespace Parlino::UpdateFeed

#include "TTS/Endpoint.h"

namespace TTS {

QUrl Endpoint::serviceBaseURL() {
    return QUrl(QStringLiteral("https://api.elevenlabs.io"));
}

std::optional<QString> Endpoint::pathSegment(const QString& value) {
    if (value.isEmpty() || value == u"." || value == u"..")
        return std::nullopt;
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

QUrl Endpoint::address(const QString& encodedPath, const QUrlQuery& query) const {
    QUrl url = baseURL;
    QString path = baseURL.path(QUrl::FullyEncoded);
    while (path.endsWith(u'/'))
        path.chop(1);
    url.setPath(path + encodedPath, QUrl::TolerantMode);
    if (!query.isEmpty())
        url.setQuery(query);
    return url;
}

} // namespace TTS

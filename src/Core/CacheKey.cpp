#include "Core/CacheKey.h"

#include <QCryptographicHash>
#include <QStringList>

namespace Core::CacheKey {

QString make(const QString& text, const VoiceID& voice, const SynthesisSettings& settings) {
    const QStringList fields{text, rawValue(ProviderID::elevenLabs), voice.rawValue,
                             settings.modelID, settings.outputFormat};
    const QByteArray digest =
        QCryptographicHash::hash(fields.join(QChar(0x1F)).toUtf8(), QCryptographicHash::Sha256);
    return QString::fromLatin1(digest.toHex());
}

} // namespace Core::CacheKey

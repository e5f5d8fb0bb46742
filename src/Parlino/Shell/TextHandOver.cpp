#include "Parlino/Shell/TextHandOver.h"

#include "Capture/CaptureStrategy.h"

#include <QIODevice>

#include <algorithm>
#include <array>

namespace Parlino::TextHandOver {

bool isTooLarge(QStringView text) {
    return Capture::exceedsSelectionLimit(text);
}

QString tooLargeMessage() {
    return QStringLiteral("the text is larger than %1 MiB (%2 bytes of UTF-8), the most Parlino "
                          "reads at once")
        .arg(maxBytes / (1024 * 1024))
        .arg(maxBytes);
}

Base::Result<QString, QString> read(QIODevice& input) {
    QByteArray bytes;
    std::array<char, 64 * 1024> buffer;
    while (bytes.size() <= maxBytes) {
        const qint64 wanted = std::min<qint64>(qint64(buffer.size()), maxBytes + 1 - bytes.size());
        const qint64 got = input.read(buffer.data(), wanted);
        if (got < 0)
            return Base::failure(
                QStringLiteral("the text could not be read: %1").arg(input.errorString()));
        if (got == 0)
            break;
        bytes.append(buffer.data(), got);
    }
    // Each malformed byte becomes a replacement character, which takes three: the text the
    // application would be given is what is measured.
    QString text = QString::fromUtf8(bytes).replace(QChar(0), QChar(u' '));
    if (bytes.size() > maxBytes || isTooLarge(text))
        return Base::failure(tooLargeMessage());
    return text;
}

} // namespace Parlino::TextHandOver

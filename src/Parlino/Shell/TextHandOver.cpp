#include "Parlino/Shell/TextHandOver.h"

#include "Capture/CaptureStrategy.h"
#include "Core/TextSanitizer.h"

#include <QIODevice>
#include <QStringDecoder>

#include <algorithm>
#include <array>

namespace Parlino::TextHandOver {

namespace {

constexpr qint64 mebibyte = 1024 * 1024;

QString inputTooLargeMessage() {
    return QStringLiteral("standard input holds more than %1 MiB, and Parlino reads at most %2 MiB "
                          "of text at once")
        .arg(maxInputBytes / mebibyte)
        .arg(maxBytes / mebibyte);
}

} // namespace

bool isTooLarge(QStringView text) {
    return Capture::exceedsSelectionLimit(text);
}

QString tooLargeMessage() {
    return QStringLiteral("the text is larger than %1 MiB (%2 bytes of UTF-8), the most Parlino "
                          "reads at once")
        .arg(maxBytes / mebibyte)
        .arg(maxBytes);
}

Base::Result<QString, QString> read(QIODevice& input) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    Core::TextSanitizer::Builder text;
    qint64 inputBytes = 0;
    // The UTF-8 size of the text built so far, measured as it grows.
    qsizetype measured = 0;
    qsizetype textBytes = 0;
    std::array<char, 64 * 1024> buffer;
    for (;;) {
        const qint64 wanted =
            std::min<qint64>(qint64(buffer.size()), maxInputBytes + 1 - inputBytes);
        const qint64 got = input.read(buffer.data(), wanted);
        if (got < 0)
            return Base::failure(
                QStringLiteral("standard input could not be read: %1").arg(input.errorString()));
        if (got == 0)
            break;
        if ((inputBytes += got) > maxInputBytes)
            return Base::failure(inputTooLargeMessage());
        QString piece = decoder(QByteArrayView(buffer.data(), got));
        text.append(piece.replace(QChar(0), QChar(u' ')));
        textBytes += QStringView(text.text()).sliced(measured).toUtf8().size();
        measured = text.text().size();
        if (textBytes > maxBytes)
            return Base::failure(tooLargeMessage());
    }
    if (inputBytes == 0)
        return Base::failure(QStringLiteral("standard input is empty: there is no text to read"));
    QString read = text.take();
    if (read.isEmpty())
        return Base::failure(QStringLiteral("standard input holds no text to read, only white "
                                            "space, invisible characters or bytes that are not "
                                            "UTF-8"));
    return read;
}

} // namespace Parlino::TextHandOver

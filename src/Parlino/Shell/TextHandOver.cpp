#include "Parlino/Shell/TextHandOver.h"

#include "Capture/CaptureStrategy.h"
#include "Core/TextSanitizer.h"

#include <QIODevice>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <utility>

namespace Parlino::TextHandOver {

namespace {

constexpr qint64 mebibyte = 1024 * 1024;

QString inputTooLargeMessage() {
    return QStringLiteral("standard input holds more than %1 MiB, and Parlino reads at most %2 MiB "
                          "of text at once")
        .arg(maxInputBytes / mebibyte)
        .arg(maxBytes / mebibyte);
}

// Decodes the input by the byte-order mark it starts with, and as UTF-8 without one; the mark
// itself is no text. The first bytes wait until there are enough of them to tell.
class InputDecoder {
public:
    QString operator()(QByteArrayView bytes) {
        if (m_decoder.isValid())
            return m_decoder(bytes);
        m_head += bytes;
        return m_head.size() < longestMark ? QString() : decodeHead();
    }

    // The text of an input that ended before its first bytes could tell.
    QString finish() { return m_decoder.isValid() ? QString() : decodeHead(); }

private:
    static constexpr qsizetype longestMark = 4;

    QString decodeHead() {
        m_decoder =
            QStringDecoder(QStringDecoder::encodingForData(m_head).value_or(QStringDecoder::Utf8));
        return m_decoder(std::exchange(m_head, {}));
    }

    QByteArray m_head;
    QStringDecoder m_decoder;
};

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
    InputDecoder decoder;
    Core::TextSanitizer::Builder text;
    qint64 inputBytes = 0;
    // The UTF-8 size of the text built so far, measured as it grows.
    qsizetype measured = 0;
    qsizetype textBytes = 0;
    // Whether the text is still within the bound with `piece` added.
    const auto add = [&](QString piece) {
        text.append(piece.replace(QChar(0), QChar(u' ')));
        textBytes += QStringView(text.text()).sliced(measured).toUtf8().size();
        measured = text.text().size();
        return textBytes <= maxBytes;
    };
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
        if (!add(decoder(QByteArrayView(buffer.data(), got))))
            return Base::failure(tooLargeMessage());
    }
    if (!add(decoder.finish()))
        return Base::failure(tooLargeMessage());
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

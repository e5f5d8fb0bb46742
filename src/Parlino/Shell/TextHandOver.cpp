#include "Parlino/Shell/TextHandOver.h"

#include "Base/Unicode.h"
#include "Capture/CaptureStrategy.h"
#include "Core/TextSanitizer.h"
#include "Parlino/Shell/EncodingCheck.h"

#include <QIODevice>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <array>
#include <optional>
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
// itself is no text. The first bytes wait until there are enough of them to tell. Each byte is
// checked on the way: once one is no character of the encoding, nothing more is decoded.
class InputDecoder {
public:
    QString operator()(QByteArrayView bytes) {
        if (!m_decoder.isValid()) {
            m_head += bytes;
            return m_head.size() < longestMark ? QString() : decodeHead();
        }
        return m_check->feed(bytes) ? m_decoder(bytes) : QString();
    }

    // The text of an input that ended before its first bytes could tell.
    QString finish() {
        QString text = m_decoder.isValid() ? QString() : decodeHead();
        m_check->finish();
        return m_check->fault() ? QString() : text;
    }

    // The first character that is none of the encoding, once one is found.
    const std::optional<EncodingCheck::Fault>& fault() const {
        static const std::optional<EncodingCheck::Fault> none;
        return m_check ? m_check->fault() : none;
    }
    // Whether a byte-order mark named the encoding.
    bool isMarked() const { return m_marked; }
    // The encoding's name, to tell it: either byte order alike.
    QString encodingName() const {
        const QString name = QString::fromLatin1(QStringConverter::nameForEncoding(m_encoding));
        return name.endsWith(u"LE") || name.endsWith(u"BE") ? name.chopped(2) : name;
    }

private:
    static constexpr qsizetype longestMark = 4;

    QString decodeHead() {
        const auto marked = QStringDecoder::encodingForData(m_head);
        m_marked = marked.has_value();
        m_encoding = marked.value_or(QStringDecoder::Utf8);
        const qsizetype mark = m_marked ? markLength(m_encoding) : 0;
        m_check.emplace(m_encoding, mark);
        m_decoder = QStringDecoder(m_encoding);
        const QByteArray head = std::exchange(m_head, {});
        return m_check->feed(QByteArrayView(head).sliced(std::min(mark, head.size())))
                   ? m_decoder(head)
                   : QString();
    }

    // The byte-order mark's length: U+FEFF in the encoding.
    static qsizetype markLength(QStringConverter::Encoding encoding) {
        return QByteArray(QStringEncoder(encoding)(QStringView(u"\uFEFF"))).size();
    }

    QByteArray m_head;
    QStringDecoder m_decoder;
    QStringConverter::Encoding m_encoding = QStringConverter::Utf8;
    bool m_marked = false;
    std::optional<EncodingCheck> m_check;
};

// The text as the application will read it, measured against maxBytes as it grows.
class BoundedText {
public:
    // Whether the text is still within the bound with `piece` added.
    bool add(QString piece) {
        m_text.append(piece.replace(QChar(0), QChar(u' ')));
        m_bytes += QStringView(m_text.text()).sliced(m_measured).toUtf8().size();
        m_measured = m_text.text().size();
        return m_bytes <= maxBytes;
    }
    QString take() { return m_text.take(); }

private:
    Core::TextSanitizer::Builder m_text;
    qsizetype m_measured = 0;
    qsizetype m_bytes = 0;
};

// Whether input that is not UTF-8 may be text in the locale's encoding.
bool isAnotherEncoding(const QByteArray& localeEncoding) {
    const QByteArray name = localeEncoding.toUpper();
    return !name.isEmpty() && name != "UTF-8" && name != "UTF8" && name != "ANSI_X3.4-1968" &&
           name != "ASCII" && name != "US-ASCII";
}

// Why the input is not handed over: where it is not text in its encoding, nor, when it may be
// one, in the locale's.
QString notTextMessage(const InputDecoder& decoder, const QByteArray& localeEncoding) {
    const EncodingCheck::Fault& fault = *decoder.fault();
    const QString encoding = decoder.encodingName();
    const QString place = QStringLiteral("byte %1 (line %2, column %3)")
                              .arg(fault.place.byte)
                              .arg(fault.place.line)
                              .arg(fault.place.column);
    const QString byte = QStringLiteral("0x") +
                         QStringLiteral("%1").arg(fault.firstByte, 2, 16, QChar(u'0')).toUpper();
    const QString where = fault.atEnd
                              ? QStringLiteral("it ends inside a character begun at %1").arg(place)
                              : QStringLiteral("at %1 comes %2, which begins no %3 character")
                                    .arg(place, byte, encoding);
    QString which = encoding + QStringLiteral(" text");
    if (decoder.isMarked())
        which += QStringLiteral(" as its byte-order mark says");
    else if (!localeEncoding.isEmpty())
        which += QStringLiteral(", nor %1 text as the locale says")
                     .arg(QString::fromLatin1(localeEncoding));
    return QStringLiteral("standard input is not %1: %2; convert it to UTF-8 first, for example "
                          "with iconv")
        .arg(which, where);
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

Base::Result<QString, QString> read(QIODevice& input, const QByteArray& localeEncoding) {
    InputDecoder decoder;
    BoundedText text;
    qint64 inputBytes = 0;
    // The input as it came, while it may have to be read in the locale's encoding.
    const bool byLocale = isAnotherEncoding(localeEncoding);
    QByteArray input8Bit;
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
        const QByteArrayView bytes(buffer.data(), got);
        if (byLocale)
            input8Bit += bytes;
        const QString piece = decoder(bytes);
        if (decoder.fault()) {
            if (!byLocale || decoder.isMarked())
                return Base::failure(notTextMessage(decoder, {}));
        } else if (!text.add(piece)) {
            return Base::failure(tooLargeMessage());
        }
    }
    const QString last = decoder.finish();
    if (decoder.fault()) {
        const auto inLocale = byLocale && !decoder.isMarked()
                                  ? Base::Unicode::decode(input8Bit, localeEncoding.constData())
                                  : std::nullopt;
        if (!inLocale)
            return Base::failure(notTextMessage(decoder, byLocale ? localeEncoding : QByteArray()));
        text = BoundedText();
        if (!text.add(*inLocale))
            return Base::failure(tooLargeMessage());
    } else if (!text.add(last)) {
        return Base::failure(tooLargeMessage());
    }
    if (inputBytes == 0)
        return Base::failure(QStringLiteral("standard input is empty: there is no text to read"));
    QString read = text.take();
    if (read.isEmpty())
        return Base::failure(QStringLiteral("standard input holds no text to read, only white "
                                            "space or invisible characters"));
    return read;
}

} // namespace Parlino::TextHandOver

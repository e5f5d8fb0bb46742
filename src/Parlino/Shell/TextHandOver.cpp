#include "Parlino/Shell/TextHandOver.h"

#include "Base/Unicode.h"
#include "Capture/CaptureStrategy.h"
#include "Core/TextSanitizer.h"
#include "Parlino/Shell/EncodingCheck.h"
#include "Parlino/Shell/UnmarkedEncoding.h"

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

// Decodes the input by the byte-order mark it starts with, or else as its first bytes show UTF-16
// or UTF-32 without a mark (UnmarkedEncoding), or else as UTF-8; the mark itself is no text. The
// first bytes wait until there are enough of them to tell. Each byte is checked on the way: once
// one is no character of the encoding, nothing more is decoded.
class InputDecoder {
public:
    // What told the encoding.
    enum class Source { byteOrderMark, firstBytes, none };

    QString operator()(QByteArrayView bytes) {
        if (!m_decoder.isValid()) {
            m_head += bytes;
            return m_head.size() < UnmarkedEncoding::sampleSize ? QString() : decodeHead();
        }
        return m_check->feed(bytes) ? m_decoder(bytes) : QString();
    }

    // The text of an input that ended before its first bytes could tell.
    QString finish() {
        QString text = m_decoder.isValid() ? QString() : decodeHead();
        m_check->finish();
        return m_check->fault() ? QString() : text;
    }

    // Whether a character that is none of the encoding was found.
    bool hasFault() const { return m_check && m_check->fault(); }
    // Where, and why it is none; after NUL bytes in UTF-8, what they suggest.
    QString faultDescription() const {
        QString where = m_check->faultDescription();
        if (m_source == Source::none && m_sampleHasNul)
            where += QStringLiteral(" (its NUL bytes suggest UTF-16 or UTF-32 text without a "
                                    "byte-order mark)");
        return where;
    }
    // The encoding that input taken for UTF-8 is in, as its first bytes show, though they may be
    // UTF-8 too: UTF-16 of characters that share their high byte (UnmarkedEncoding), which UTF-8
    // reads as nonsense.
    std::optional<QStringConverter::Encoding> lookalike() const { return m_lookalike; }
    Source source() const { return m_source; }
    // The encoding's name, to tell it: either byte order alike where the mark told it.
    QString encodingName() const {
        const QString name = QString::fromLatin1(QStringConverter::nameForEncoding(m_encoding));
        const bool ordered = name.endsWith(u"LE") || name.endsWith(u"BE");
        return m_source == Source::byteOrderMark && ordered ? name.chopped(2) : name;
    }

private:
    QString decodeHead() {
        const auto marked = QStringDecoder::encodingForData(m_head);
        const auto unmarked = marked ? std::nullopt : UnmarkedEncoding::detect(m_head);
        m_source = marked ? Source::byteOrderMark : unmarked ? Source::firstBytes : Source::none;
        m_encoding = marked.value_or(unmarked.value_or(QStringDecoder::Utf8));
        m_sampleHasNul = QByteArrayView(m_head)
                             .first(std::min(m_head.size(), UnmarkedEncoding::sampleSize))
                             .contains('\0');
        if (m_source == Source::none)
            m_lookalike = UnmarkedEncoding::detectSharedHighByte(m_head);
        const qsizetype mark = marked ? markLength(m_encoding) : 0;
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
    Source m_source = Source::none;
    bool m_sampleHasNul = false;
    std::optional<QStringConverter::Encoding> m_lookalike;
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
    // The whole text, with the line that waited for its end; none when that takes it past the
    // bound.
    std::optional<QString> take() {
        QString text = m_text.take();
        if (!text.isEmpty())
            m_bytes += QStringView(text).sliced(m_measured).toUtf8().size();
        return m_bytes <= maxBytes ? std::optional(std::move(text)) : std::nullopt;
    }
    bool isInControlString() const { return m_text.isInControlString(); }

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

// Whether the locale's encoding is ISO-8859-1, by any of the names the C library gives it.
bool isLatin1(const QByteArray& encoding) {
    const QByteArray name = encoding.toUpper().replace('-', "").replace('_', "");
    return name == "ISO88591" || name == "LATIN1";
}

// What the byte 0x9B, which a terminal reading an 8-bit encoding takes for CSI (the 8-bit form
// of ESC [), decodes to in the locale's `encoding` as it is read here: '›' where ISO-8859-1 is
// read as Windows-1252, else the control code itself where the encoding has one there.
QChar controlSequenceIntroducer(const QByteArray& encoding) {
    return isLatin1(encoding) ? QChar(0x203A) : QChar(0x9B);
}

// Whether parameters and the final character of a control sequence follow `at`, as a '›' in
// Windows-1252 text hardly ever has after it: at least one parameter ("1;31" of CSI 1 ; 31 m).
bool controlSequenceFollows(QStringView text, qsizetype at) {
    const qsizetype parameters = ++at;
    while (at < text.size() && text[at] >= u'\x30' && text[at] <= u'\x3F')
        ++at;
    return at > parameters && at < text.size() && text[at] >= u'\x40' && text[at] <= u'\x7E';
}

// `text` with each 8-bit CSI (`introducer`) that begins a control sequence in the 7-bit form,
// which the sanitizer takes out whole.
QString withSevenBitControlSequences(const QString& text, QChar introducer) {
    QString written;
    qsizetype copied = 0;
    for (qsizetype at = text.indexOf(introducer); at >= 0; at = text.indexOf(introducer, at + 1)) {
        if (!controlSequenceFollows(text, at))
            continue;
        written += QStringView(text).sliced(copied, at - copied);
        written += QStringView(u"\x1B[");
        copied = at + 1;
    }
    if (copied == 0)
        return text;
    return written.append(QStringView(text).sliced(copied));
}

// Where a control code of the C1 set, which holds no text, first comes in `text`, decoded from
// `encoding` byte for byte: "at line 2, column 7 comes 0x81, …"; none when there is none. A CSI
// that begins a control sequence is no text either, but terminal output that the sanitizer
// takes out.
std::optional<QString> controlCodeIn(QStringView text, const QByteArray& encoding) {
    qsizetype line = 1;
    qsizetype column = 1;
    for (qsizetype at = 0; at < text.size(); ++at) {
        const QChar character = text[at];
        const char16_t code = character.unicode();
        if (code >= 0x80 && code <= 0x9F &&
            !(character == controlSequenceIntroducer(encoding) &&
              controlSequenceFollows(text, at))) {
            const QString place = QStringLiteral("at line %1, column %2 comes %3")
                                      .arg(line)
                                      .arg(column)
                                      .arg(EncodingCheck::byteName(code));
            return isLatin1(encoding)
                       ? place + QStringLiteral(", which is no text in ISO-8859-1 (a control "
                                                "code) nor in Windows-1252 (unused)")
                       : place + QStringLiteral(", which is no text in %1 (a control code)")
                                     .arg(QString::fromLatin1(encoding));
        }
        if (character == u'\n') {
            ++line;
            column = 1;
        } else if (!character.isLowSurrogate()) {
            ++column;
        }
    }
    return std::nullopt;
}

// `bytes` in the locale's `encoding`, as the user's other programs write text. ISO-8859-1 is
// read as Windows-1252, its superset: the quotes and dashes that Windows-1252 writes as 0x80 to
// 0x9F are control codes in ISO-8859-1, and were meant as text. A control sequence that begins
// with the byte CSI is a terminal's, as a terminal reading that encoding takes it, for the
// sanitizer to take out. Fails with where a byte stands for no text there, or with `notInIt` when
// the bytes are not of that encoding at all.
Base::Result<QString, QString> inLocaleEncoding(QByteArrayView bytes, const QByteArray& encoding,
                                                const QString& notInIt) {
    const QByteArray decodedAs = isLatin1(encoding) ? QByteArray("windows-1252") : encoding;
    const auto text = Base::Unicode::decode(bytes, decodedAs.constData());
    if (!text)
        return Base::failure(notInIt);
    if (const auto control = controlCodeIn(*text, encoding))
        return Base::failure(*control);
    return withSevenBitControlSequences(*text, controlSequenceIntroducer(encoding));
}

// What the input is not, as the message says it: the encoding it was read in, and what told it.
QString which(const InputDecoder& decoder, const QByteArray& localeEncoding) {
    const QString text = decoder.encodingName() + QStringLiteral(" text");
    switch (decoder.source()) {
    case InputDecoder::Source::byteOrderMark:
        return text + QStringLiteral(" as its byte-order mark says");
    case InputDecoder::Source::firstBytes:
        return text + QStringLiteral(", which its first bytes look like");
    case InputDecoder::Source::none:
        break;
    }
    if (localeEncoding.isEmpty())
        return text;
    return text + QStringLiteral(", nor %1 text as the locale says")
                      .arg(QString::fromLatin1(localeEncoding));
}

// Why the input is not handed over: `what` it is not, and `where`.
QString notTextMessage(const QString& what, const QString& where) {
    return QStringLiteral("standard input is not %1: %2; convert it to UTF-8 first, for example "
                          "with iconv")
        .arg(what, where);
}

// Why the input decoded so far is not text, when it is not; but a fault in UTF-8 where the
// input may be in the locale's encoding (`byLocale`) is none yet.
std::optional<QString> notText(const InputDecoder& decoder, bool byLocale,
                               const QByteArray& localeEncoding) {
    if (const auto lookalike = decoder.lookalike())
        return notTextMessage(
            which(decoder, byLocale ? localeEncoding : QByteArray()),
            QStringLiteral("its first bytes look like %1 text without a byte-order mark")
                .arg(QString::fromLatin1(QStringConverter::nameForEncoding(*lookalike))));
    if (decoder.hasFault() && (!byLocale || decoder.source() != InputDecoder::Source::none))
        return notTextMessage(which(decoder, {}), decoder.faultDescription());
    return std::nullopt;
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
        if (const auto refusal = notText(decoder, byLocale, localeEncoding))
            return Base::failure(*refusal);
        if (!decoder.hasFault() && !text.add(piece))
            return Base::failure(tooLargeMessage());
    }
    const QString last = decoder.finish();
    if (const auto refusal = notText(decoder, byLocale, localeEncoding))
        return Base::failure(*refusal);
    if (decoder.hasFault()) {
        const auto inLocale =
            inLocaleEncoding(input8Bit, localeEncoding, decoder.faultDescription());
        if (!inLocale)
            return Base::failure(notTextMessage(which(decoder, localeEncoding), inLocale.error()));
        text = BoundedText();
        if (!text.add(*inLocale))
            return Base::failure(tooLargeMessage());
    } else if (!text.add(last)) {
        return Base::failure(tooLargeMessage());
    }
    if (inputBytes == 0)
        return Base::failure(QStringLiteral("standard input is empty: there is no text to read"));
    auto read = text.take();
    if (!read)
        return Base::failure(tooLargeMessage());
    if (read->isEmpty() && text.isInControlString())
        return Base::failure(QStringLiteral(
            "standard input holds no text that a terminal shows: it is inside a terminal control "
            "string, such as a window title, that never ends"));
    if (read->isEmpty())
        return Base::failure(QStringLiteral("standard input holds no text to read, only white "
                                            "space or invisible characters"));
    return *std::move(read);
}

} // namespace Parlino::TextHandOver

#include "Core/TextSanitizer.h"

#include "Base/Unicode.h"

namespace Core::TextSanitizer {

namespace {

constexpr char32_t zeroWidthSpace = 0x200B;

bool isLineBreak(char32_t c) {
    return c == U'\r' || c == U'\n';
}

} // namespace

QString sanitize(const QString& input) {
    QString text = input;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));

    QString out;
    out.reserve(text.size());
    int pendingBreaks = 0;
    bool pendingSpace = false;
    for (const Base::Unicode::Scalar scalar : Base::Unicode::Scalars(text)) {
        const char32_t c = scalar.value;
        if (isLineBreak(c)) {
            pendingBreaks = std::min(pendingBreaks + 1, 2);
            pendingSpace = false;
        } else if (Base::Unicode::isWhiteSpace(c)) {
            pendingSpace = true;
        } else if (Base::Unicode::isControl(c) || c == zeroWidthSpace) {
            continue;
        } else {
            if (!out.isEmpty()) {
                if (pendingBreaks > 0)
                    out.append(QString(pendingBreaks, QLatin1Char('\n')));
                else if (pendingSpace)
                    out.append(QLatin1Char(' '));
            }
            out.append(QStringView(text).sliced(scalar.offset, scalar.length));
            pendingBreaks = 0;
            pendingSpace = false;
        }
    }
    return out;
}

} // namespace Core::TextSanitizer

#include "Parlino/Shell/TextHandOver.h"

#include "Capture/CaptureStrategy.h"

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

} // namespace Parlino::TextHandOver

// The update feed's envelope, checked against a fixed key, and the ordering of two versions.
#include "Parlino/Shell/UpdateFeed.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = Fuzz::bytes(data, size);
    const QByteArray publicKey(32, '\x5a');
    (void)Parlino::UpdateFeed::open(bytes, publicKey);

    const qsizetype split = bytes.indexOf('\n');
    if (split >= 0) {
        const QString a = QString::fromUtf8(bytes.left(split));
        const QString b = QString::fromUtf8(bytes.mid(split + 1));
        const auto order = Parlino::UpdateFeed::compareVersions(a, b);
        const auto reverse = Parlino::UpdateFeed::compareVersions(b, a);
        Fuzz::require(order.has_value() == reverse.has_value());
        if (order)
            Fuzz::require((*order == std::strong_ordering::less) ==
                          (*reverse == std::strong_ordering::greater));
    }
    return 0;
}

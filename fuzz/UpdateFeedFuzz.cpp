// The update feed: the fuzzed bytes as a release document signed with a test key inside the
// harness, so that the document's reader is reached; any envelope checked against a fixed key;
// and the ordering of two versions.
#include "Parlino/Shell/UpdateFeed.h"
#include "fuzz/FuzzInput.h"

#include <sodium.h>

namespace {

struct TestKey {
    unsigned char publicKey[crypto_sign_PUBLICKEYBYTES];
    unsigned char secretKey[crypto_sign_SECRETKEYBYTES];

    TestKey() {
        Fuzz::require(sodium_init() >= 0);
        const unsigned char seed[crypto_sign_SEEDBYTES] = {7};
        crypto_sign_seed_keypair(publicKey, secretKey, seed);
    }

    QByteArray envelope(const QByteArray& document) const {
        unsigned char signature[crypto_sign_BYTES];
        crypto_sign_detached(signature, nullptr,
                             reinterpret_cast<const unsigned char*>(document.constData()),
                             size_t(document.size()), secretKey);
        const QByteArray signatureBytes(reinterpret_cast<const char*>(signature), sizeof signature);
        return "{\"feed\":\"" + document.toBase64() + "\",\"signature\":\"" +
               signatureBytes.toBase64() + "\"}";
    }

    QByteArray publicKeyBytes() const {
        return QByteArray(reinterpret_cast<const char*>(publicKey), sizeof publicKey);
    }
};

void checkSigned(const QByteArray& document) {
    static const TestKey key;
    const QByteArray envelope = key.envelope(document);
    const auto release = Parlino::UpdateFeed::open(envelope, key.publicKeyBytes());
    if (release) {
        Fuzz::require(release->downloadPage.scheme() == u"https");
        Fuzz::require(!release->downloadPage.host().isEmpty());
        const auto order = Parlino::UpdateFeed::compareVersions(release->version, release->version);
        Fuzz::require(order == std::strong_ordering::equal);
    }
    // One changed byte of the document breaks the signature.
    if (!document.isEmpty()) {
        QByteArray changed = envelope;
        changed[qsizetype(9)] = changed[qsizetype(9)] == 'A' ? 'B' : 'A';
        Fuzz::require(!Parlino::UpdateFeed::open(changed, key.publicKeyBytes()));
    }
}

void checkOrder(const QByteArray& bytes) {
    const qsizetype split = bytes.indexOf('\n');
    if (split < 0)
        return;
    const QString a = QString::fromUtf8(bytes.left(split));
    const QString b = QString::fromUtf8(bytes.mid(split + 1));
    const auto order = Parlino::UpdateFeed::compareVersions(a, b);
    const auto reverse = Parlino::UpdateFeed::compareVersions(b, a);
    Fuzz::require(order.has_value() == reverse.has_value());
    if (order)
        Fuzz::require((*order == std::strong_ordering::less) ==
                      (*reverse == std::strong_ordering::greater));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = Fuzz::bytes(data, size);
    checkSigned(bytes);
    (void)Parlino::UpdateFeed::open(bytes, QByteArray(32, '\x5a'));
    checkOrder(bytes);
    return 0;
}

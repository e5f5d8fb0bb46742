#include "Parlino/Shell/UpdateFeed.h"

#include "UpdateTesting.h"

#include <gtest/gtest.h>

namespace {

using Parlino::UpdateFeed::compareVersions;
using Parlino::UpdateFeed::open;
using UpdateTesting::envelope;
using UpdateTesting::releaseDocument;

TEST(UpdateFeed, OpensADocumentSignedByTheKey) {
    const UpdateTesting::Signer signer;
    const QByteArray document = releaseDocument("1.4.2", "https://parlino.example/get", "Notes.");
    const auto release = open(envelope(document, signer.sign(document)), signer.publicKey);
    ASSERT_TRUE(release) << release.error().message.toStdString();
    EXPECT_EQ(release->version, "1.4.2");
    EXPECT_EQ(release->downloadPage, QUrl("https://parlino.example/get"));
    EXPECT_EQ(release->notes, "Notes.");
}

TEST(UpdateFeed, RefusesAnythingButTheExactSignedBytes) {
    const UpdateTesting::Signer signer;
    const UpdateTesting::Signer stranger;
    const QByteArray document = releaseDocument("9.0");
    QByteArray altered = document;
    altered.replace("9.0", "9.1");
    const QByteArray signature = signer.sign(document);

    EXPECT_FALSE(open(envelope(altered, signature), signer.publicKey));
    EXPECT_FALSE(open(envelope(document, stranger.sign(document)), signer.publicKey));
    EXPECT_FALSE(open(envelope(document, signature), stranger.publicKey));
    EXPECT_FALSE(open(envelope(document, signature.left(63)), signer.publicKey));
    EXPECT_FALSE(open(envelope(document + " ", signature), signer.publicKey));
}

TEST(UpdateFeed, RefusesMalformedEnvelopes) {
    const UpdateTesting::Signer signer;
    const QByteArray document = releaseDocument("2.0");
    const QByteArray signature = signer.sign(document).toBase64();
    const QByteArray feed = document.toBase64();
    for (const QByteArray& text : {
             QByteArray("not json"),
             QByteArray("{\"feed\": \"" + feed + "\"}"),
             QByteArray("{\"feed\": \"" + feed + "\", \"signature\": 7}"),
             QByteArray("{\"feed\": \"" + feed + "\", \"signature\": \"" + signature.left(40) +
                        "\n" + signature.mid(40) + "\"}"),
         })
        EXPECT_FALSE(open(text, signer.publicKey)) << text.toStdString();
}

TEST(UpdateFeed, RefusesSignedDocumentsWithoutAUsableRelease) {
    const UpdateTesting::Signer signer;
    for (const QByteArray& document : {
             QByteArray("{\"downloadPage\": \"https://parlino.example/\"}"),
             QByteArray("{\"version\": 2, \"downloadPage\": \"https://parlino.example/\"}"),
             releaseDocument("2.0-beta"),
             releaseDocument("2.0", "http://parlino.example/download"),
             releaseDocument("2.0", "javascript:alert(1)"),
             releaseDocument("2.0", "https://"),
         })
        EXPECT_FALSE(open(envelope(document, signer.sign(document)), signer.publicKey))
            << document.toStdString();
}

TEST(UpdateFeed, ComparesDottedNumericVersions) {
    EXPECT_EQ(compareVersions("1.2", "1.2.0"), std::strong_ordering::equal);
    EXPECT_EQ(compareVersions("1.10", "1.9"), std::strong_ordering::greater);
    EXPECT_EQ(compareVersions("1.9.9", "2"), std::strong_ordering::less);
    EXPECT_EQ(compareVersions("0.1.1", "0.1"), std::strong_ordering::greater);
    for (const char* bad : {"", "1..2", "1.2.", "v1", "1.2a", "1.-2", "1234567890"})
        EXPECT_EQ(compareVersions(bad, "1"), std::nullopt) << bad;
}

} // namespace

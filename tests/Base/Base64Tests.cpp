#include "Base/Base64.h"

#include <gtest/gtest.h>

using Base::Base64::decodeStrict;

TEST(Base64, DecodesPaddedAndUnpaddedQuads) {
    EXPECT_EQ(decodeStrict("").value(), QByteArray());
    EXPECT_EQ(decodeStrict("TWFu").value(), QByteArray("Man"));
    EXPECT_EQ(decodeStrict("TWE=").value(), QByteArray("Ma"));
    EXPECT_EQ(decodeStrict("TQ==").value(), QByteArray("M"));
    const QByteArray binary("\x00\xff\xfe\x80\x7f", 5);
    EXPECT_EQ(decodeStrict(binary.toBase64()).value(), binary);
}

TEST(Base64, RejectsAnythingOutsideTheAlphabet) {
    EXPECT_FALSE(decodeStrict("TWFu\nTWFu"));
    EXPECT_FALSE(decodeStrict("TWFu TWE="));
    EXPECT_FALSE(decodeStrict("TW-u"));
    EXPECT_FALSE(decodeStrict("TW_u"));
}

TEST(Base64, RejectsBadLengthsAndMisplacedPadding) {
    EXPECT_FALSE(decodeStrict("TWF"));
    EXPECT_FALSE(decodeStrict("TWFuT"));
    EXPECT_FALSE(decodeStrict("T==="));
    EXPECT_FALSE(decodeStrict("TQ==TWFu"));
    EXPECT_FALSE(decodeStrict("T=Fu"));
}

TEST(Base64, RejectsPaddingThatHidesSetBits) {
    // "TR==" and "TWF=" end in bits that no byte holds; "TQ==" and "TWE=" are the encodings.
    EXPECT_FALSE(decodeStrict("TR=="));
    EXPECT_FALSE(decodeStrict("TWF="));
    EXPECT_FALSE(decodeStrict("S8GVGsbsIHdvS8GVGsb="));
}

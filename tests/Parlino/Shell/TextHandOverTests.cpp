#include "Parlino/Shell/TextHandOver.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <cstring>

namespace TextHandOver = Parlino::TextHandOver;

namespace {

// Standard input that never ends, or that fails: counts the bytes it handed out.
class EndlessInput final : public QIODevice {
public:
    explicit EndlessInput(bool fails = false) : m_fails(fails) {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }
    qint64 handed = 0;

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        if (m_fails) {
            setErrorString(QStringLiteral("Input/output error"));
            return -1;
        }
        std::memset(data, 'a', size_t(maxSize));
        handed += maxSize;
        return maxSize;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    bool m_fails;
};

Base::Result<QString, QString> readAll(QByteArray bytes) {
    QBuffer input(&bytes);
    input.open(QIODevice::ReadOnly);
    return TextHandOver::read(input);
}

TEST(TextHandOver, TakesTextUpToTheBoundWithEachNulAsASpace) {
    const auto small = readAll(QByteArray("Before the NUL\0after it.", 24));
    ASSERT_TRUE(small);
    EXPECT_EQ(*small, "Before the NUL after it.");

    QByteArray atTheBound(TextHandOver::maxBytes, 'a');
    atTheBound[0] = '\0';
    const auto whole = readAll(atTheBound);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->size(), TextHandOver::maxBytes);
    EXPECT_EQ(whole->front(), u' ');
}

TEST(TextHandOver, RefusesOneBytePastTheBoundNamingIt) {
    const auto refused = readAll(QByteArray(TextHandOver::maxBytes + 1, 'a'));
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(), TextHandOver::tooLargeMessage());
    EXPECT_TRUE(refused.error().contains(QStringLiteral("larger than 8 MiB")))
        << refused.error().toStdString();
}

TEST(TextHandOver, StopsReadingOneBytePastTheBound) {
    EndlessInput endless;
    EXPECT_FALSE(TextHandOver::read(endless));
    EXPECT_EQ(endless.handed, TextHandOver::maxBytes + 1);
}

// What the running application measures is the decoded text, in which each malformed byte
// became a replacement character of three bytes.
TEST(TextHandOver, MeasuresMalformedBytesAsTheReplacementsTheyBecome) {
    const qsizetype third = TextHandOver::maxBytes / 3;
    EXPECT_TRUE(readAll(QByteArray(third, '\xff')));
    const auto refused = readAll(QByteArray(third + 1, '\xff'));
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(), TextHandOver::tooLargeMessage());
}

TEST(TextHandOver, SaysWhyInputThatCannotBeReadIsNotHandedOver) {
    EndlessInput failing(true);
    const auto refused = TextHandOver::read(failing);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(), "the text could not be read: Input/output error");
}

} // namespace

#include "Parlino/Services/SynthesisModelChoice.h"

#include <gtest/gtest.h>

using namespace Parlino;
namespace Choices = Parlino::SynthesisModelChoices;

TEST(SynthesisModelChoice, MapsChoicesToModelIdentifiersAndBack) {
    EXPECT_EQ(Choices::modelID(SynthesisModelChoice::flash), QStringLiteral("eleven_flash_v2_5"));
    EXPECT_EQ(Choices::modelID(SynthesisModelChoice::multilingual),
              QStringLiteral("eleven_multilingual_v2"));
    for (const auto choice : Choices::allCases()) {
        EXPECT_EQ(Choices::fromModelID(Choices::modelID(choice)), choice);
        EXPECT_EQ(Choices::fromRawValue(Choices::rawValue(choice)), choice);
    }
}

TEST(SynthesisModelChoice, UnknownIdentifiersNameNoChoice) {
    for (const char* id : {"eleven_flash_v2_5 ", "ELEVEN_FLASH_V2_5", "", "eleven_turbo_v2"})
        EXPECT_EQ(Choices::fromModelID(QString::fromUtf8(id)), std::nullopt) << id;
    EXPECT_EQ(Choices::fromRawValue(QStringLiteral("Flash")), std::nullopt);
}

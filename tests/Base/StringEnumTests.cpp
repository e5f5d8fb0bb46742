#include "Base/StringEnum.h"

#include <gtest/gtest.h>

namespace {

enum class Size { small, medium, large };

constexpr auto sizes = Base::stringEnum<Size>({
    {Size::small, u"small", u"Small"},
    {Size::large, u"large", u"Large — extra"},
    {Size::medium, u"medium", u"Medium"},
});

TEST(StringEnum, ListsTheCasesInTheTablesOrder) {
    EXPECT_EQ(sizes.allCases(), (QList<Size>{Size::small, Size::large, Size::medium}));
    static_assert(sizes.values()[1] == Size::large);
}

TEST(StringEnum, MapsEachCaseToItsRawValueAndTitleAndBack) {
    for (const Size size : sizes.allCases())
        EXPECT_EQ(sizes.fromRawValue(sizes.rawValue(size)), size);
    EXPECT_EQ(sizes.rawValue(Size::medium), QStringLiteral("medium"));
    EXPECT_EQ(sizes.title(Size::large), u"Large — extra"_qs);
}

TEST(StringEnum, ParsesOnlyExactRawValues) {
    for (const char* raw : {"Small", "small ", " small", "", "smal", "smalll"})
        EXPECT_EQ(sizes.fromRawValue(QString::fromUtf8(raw)), std::nullopt) << raw;
}

TEST(StringEnum, AValueOutsideTheTableHasNoTexts) {
    constexpr auto partial = Base::stringEnum<Size>({{Size::small, u"small", u"Small"}});
    EXPECT_EQ(partial.rawValue(Size::large), QString());
    EXPECT_EQ(partial.title(Size::large), QString());
    EXPECT_EQ(partial.fromRawValue(u"large"), std::nullopt);
}

} // namespace

#include "Parlino/Settings/PlaybackPaneModel.h"

#include "PaneTesting.h"

#include <QLocale>

using namespace Parlino;

namespace {

// Makes `locale` the default for the test's lifetime.
class DefaultLocale {
public:
    explicit DefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~DefaultLocale() { QLocale::setDefault(m_previous); }

private:
    QLocale m_previous;
};

using PlaybackPaneModelTest = PaneTesting::PaneTest;

TEST_F(PlaybackPaneModelTest, RateLabelsUseAFullStopAndDropTrailingZerosInEveryLocale) {
    const QStringList expected{"0.5×", "0.75×", "1×", "1.25×", "1.5×", "1.75×", "2×"};
    for (const auto& locale : {QLocale(QLocale::English, QLocale::UnitedStates),
                               QLocale(QLocale::German, QLocale::Germany)}) {
        DefaultLocale chosen(locale);
        QStringList labels;
        for (const double rate : PlaybackPaneModel::rateSteps)
            labels.append(PlaybackPaneModel::rateLabel(rate));
        EXPECT_EQ(labels, expected) << locale.name().toStdString();
    }
}

TEST_F(PlaybackPaneModelTest, ChoosingASpeedWritesTheDefaultAndTheCurrentSpeed) {
    PlaybackPaneModel model(keys);
    Defaults::set(keys.playbackRate, 1.75);
    model.chooseRate(1.0); // the stored default already
    EXPECT_EQ(Defaults::get(keys.playbackRate), 1.0);

    model.chooseRate(1.25);
    EXPECT_EQ(Defaults::get(keys.defaultPlaybackRate), 1.25);
    EXPECT_EQ(Defaults::get(keys.playbackRate), 1.25);
    EXPECT_EQ(model.selectedRateIndex(), 3);
}

TEST_F(PlaybackPaneModelTest, StoredValuesOffTheMenusSelectNothingAndStayAsStored) {
    Defaults::set(keys.defaultPlaybackRate, 1.1);
    Defaults::set(keys.synthesisModel, QStringLiteral("turbo"));
    PlaybackPaneModel model(keys);
    EXPECT_EQ(model.selectedRateIndex(), std::nullopt);
    EXPECT_EQ(model.model().selectedIndex(), std::nullopt);
    EXPECT_EQ(Defaults::get(keys.defaultPlaybackRate), 1.1);
    EXPECT_EQ(Defaults::get(keys.synthesisModel), QStringLiteral("turbo"));

    model.model().choose(1);
    EXPECT_EQ(Defaults::get(keys.synthesisModel), QStringLiteral("multilingual"));
    EXPECT_EQ(model.model().selectedIndex(), 1);
}

TEST_F(PlaybackPaneModelTest, ThresholdStepsByAThousandWithinItsRange) {
    PlaybackPaneModel model(keys);
    EXPECT_EQ(model.threshold(), 1000);
    EXPECT_FALSE(model.canDecreaseThreshold());
    model.decreaseThreshold();
    EXPECT_EQ(model.threshold(), 1000);
    model.increaseThreshold();
    EXPECT_EQ(model.threshold(), 2000);

    Defaults::set(keys.confirmThreshold, 19500);
    model.increaseThreshold();
    EXPECT_EQ(model.threshold(), 20000);
    EXPECT_FALSE(model.canIncreaseThreshold());
    model.increaseThreshold();
    EXPECT_EQ(model.threshold(), 20000);

    Defaults::set(keys.confirmThreshold, std::numeric_limits<qint64>::max());
    model.decreaseThreshold();
    EXPECT_EQ(model.threshold(), 19000);
}

TEST_F(PlaybackPaneModelTest, ThresholdLabelGroupsDigitsAsTheLocaleDoes) {
    Defaults::set(keys.confirmThreshold, 20000);
    PlaybackPaneModel model(keys);
    {
        DefaultLocale english(QLocale(QLocale::English, QLocale::UnitedStates));
        EXPECT_EQ(model.thresholdLabel(),
                  QStringLiteral("Long-text confirmation threshold: 20,000 characters"));
    }
    DefaultLocale german(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(model.thresholdLabel(),
              QStringLiteral("Long-text confirmation threshold: 20.000 characters"));
}

} // namespace

#pragma once

#include "Parlino/Services/PlayerViewModel.h"
#include "Parlino/Style/MotionPreferences.h"

#include <QLocale>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;

namespace Defaults {
class Observable;
}

namespace Parlino {

class PaneButton;
struct SettingsKeys;

// The long-text card: how long the captured text is, roughly what reading it costs, and three
// answers (read all of it, read the first part, cancel). It follows the model and threshold
// settings while it shows; an answer only goes to `onChoice`.
class LengthConfirmCard final : public QWidget {
public:
    LengthConfirmCard(qint64 chars, const SettingsKeys& settings, const MotionContext& motion,
                      QWidget* parent = nullptr);
    ~LengthConfirmCard() override;

    std::function<void(PlayerViewModel::LengthChoice)> onChoice;

    // The service credits a read of `chars` characters uses with the stored model: none for no
    // text, one per character with the multilingual model, else (flash, or a value naming no
    // model) half a credit per character, rounded up.
    static qint64 credits(qint64 chars, const QString& synthesisModel);
    // "~2,400 characters ≈ 1,200 credits", grouped as the locale groups numbers.
    static QString summary(qint64 chars, const QString& synthesisModel,
                           const QLocale& locale = QLocale());
    // "Read first 1,000".
    static QString readFirstTitle(qint64 threshold, const QLocale& locale = QLocale());

private:
    void showSettings();

    qint64 m_chars;
    const SettingsKeys& m_settings;
    std::unique_ptr<Defaults::Observable> m_model;
    std::unique_ptr<Defaults::Observable> m_threshold;
    QLabel* m_summary;
    PaneButton* m_readFirst = nullptr;
};

} // namespace Parlino

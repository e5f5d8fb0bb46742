#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

namespace Parlino {

// The part of the panel the tutorial opens beside its card while a step shows.
enum class OnboardingReveal { resetPane, apiKey, usage, shortcuts, voices, clips };

// Where the parts that the steps reveal show: in the panel beside the card, or in the settings
// window while the panel is up to make room for it.
enum class OnboardingHost { panel, settingsWindow };

struct OnboardingLink {
    QString title;
    QUrl url;

    // The link, or none when the address does not parse as an absolute address.
    static std::optional<OnboardingLink> make(QString title, const QString& address);

    friend bool operator==(const OnboardingLink&, const OnboardingLink&) = default;
};

struct OnboardingStep {
    QString body;
    std::optional<QString> signature; // a sign-off line under the body
    std::optional<OnboardingLink> link;
    std::optional<OnboardingReveal> reveal;
    // The body while the settings window shows what the step reveals, for a step whose words name
    // the panel.
    std::optional<QString> settingsWindowBody = {};

    // What the card says while `host` shows what the step reveals.
    const QString& bodyIn(OnboardingHost host) const {
        return host == OnboardingHost::settingsWindow && settingsWindowBody ? *settingsWindowBody
                                                                            : body;
    }

    friend bool operator==(const OnboardingStep&, const OnboardingStep&) = default;
};

// Which step of the first-run tutorial shows, moving forward and back. The panel's card shows
// the current step; the composition root installs the callbacks. Main thread only.
class OnboardingModel : public QObject {
    Q_OBJECT

public:
    explicit OnboardingModel(QObject* parent = nullptr);

    // The tutorial's eight steps.
    static const QList<OnboardingStep>& steps();

    int index() const { return m_index; }
    // Notifies only a change. Any value is kept; reading a step clamps it into the list.
    void setIndex(int index);

    // Where the steps' parts show; the panel at first. Notifies only a change; the card's owner
    // reveals the current step again where it wants it shown.
    OnboardingHost host() const { return m_host; }
    void setHost(OnboardingHost host);

    // Reveals the current step's part of the panel, if it has one.
    void revealCurrent();
    // The next step, or `onFinish` on the last one.
    void advance();
    // The previous step, if any.
    void back();

    std::function<void(OnboardingReveal)> onReveal;
    std::function<void()> onFinish;
    // Installed for the card's owner; the model never calls it.
    std::function<void()> onDismissPanel;

signals:
    void indexChanged();
    void hostChanged();

private:
    int m_index = 0;
    OnboardingHost m_host = OnboardingHost::panel;
};

} // namespace Parlino

#pragma once

#include "Parlino/Style/ParlinoButtonStyle.h"

#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QWidget>

#include <functional>
#include <optional>

class QLayout;
class QToolButton;
class QVBoxLayout;

namespace Parlino {
class FocusRest;
struct SettingsServices;
} // namespace Parlino

// What the preference panes are built of besides the shared pane controls: cards of rows, menu
// pickers, a stepper and symbols.
namespace Parlino::PaneWidgets {

// The system font at a pixel size and weight.
QFont font(int pixelSize, QFont::Weight weight = QFont::Normal);

// The hover feedback of the panes' two-press buttons: a slight growth and brightening, no backdrop.
ParlinoButtonStyle armedButtonStyle();

// A vertical stack of rows with a spacing.
QVBoxLayout* stack(int spacing);

// A titled card whose content is the rows; the card takes them.
QWidget* card(const QString& title, QLayout* rows);
// Fills the pane with the scrolling column of its cards.
void fill(QWidget& pane, const SettingsServices& services, const QList<QWidget*>& cards);

// A symbol of the icon set, centred in a fixed box.
class Symbol final : public QWidget {
public:
    Symbol(const QString& name, qreal size, const QColor& colour, QSize box,
           QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_name;
    qreal m_size;
    QColor m_colour;
};

// A menu picker at its ideal size, narrower where its pane is (the panel's), never wider. It
// shows the item its owner says, or no item; only a choice the user makes is reported.
class ChoicePicker final : public QComboBox {
public:
    explicit ChoicePicker(const QStringList& titles, QWidget* parent = nullptr);

    QSize minimumSizeHint() const override;

    std::function<void(int index)> onChoose;

    void showSelection(std::optional<int> index);
};

// A label with a minus and a plus button; the owner says what it shows and which of the two
// may be pressed. The buttons are named after what they change ("Decrease " and "Increase "
// followed by `subject`) and described by the label, so that assistive tools say both. The pair
// is the focus's rest, named by the label, when the pressed button reaches its bound.
class Stepper final : public QWidget {
public:
    explicit Stepper(const QString& subject, QWidget* parent = nullptr);

    std::function<void()> onIncrement;
    std::function<void()> onDecrement;

    void setState(const QString& label, bool canDecrement, bool canIncrement);

    QLabel& label() const { return *m_label; }
    QToolButton& minus() const { return *m_minus; }
    QToolButton& plus() const { return *m_plus; }
    FocusRest& buttons() const { return *m_buttons; }

private:
    static constexpr int labelSpacing = 8;
    static constexpr int buttonSpacing = 8;
    // Room for the pair's focus ring around its buttons.
    static constexpr QMargins ringRoom{4, 2, 4, 2};

    QLabel* m_label;
    FocusRest* m_buttons;
    QToolButton* m_minus;
    QToolButton* m_plus;
};

} // namespace Parlino::PaneWidgets

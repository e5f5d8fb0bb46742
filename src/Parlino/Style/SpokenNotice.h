#pragma once

#include <QWidget>

namespace Parlino {

// Words for a screen reader alone: a widget that shows nothing and takes no input, which
// assistive tools see as a notification. Each say() shows it anew with the words as its name,
// and screen readers speak a notification as it shows, whatever has the focus. For a change that
// no focus move tells of.
class SpokenNotice final : public QWidget {
public:
    explicit SpokenNotice(QWidget* parent = nullptr);

    void say(const QString& words);
};

} // namespace Parlino

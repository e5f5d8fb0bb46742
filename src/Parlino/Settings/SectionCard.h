#pragma once

#include <QWidget>

class QVBoxLayout;

namespace Parlino {

// A titled card of a settings pane. Its background follows the ground it sits on: a faint
// white fill with a hairline on glass, the opaque card surface on a solid ground.
class SectionCard final : public QWidget {
public:
    explicit SectionCard(const QString& title, QWidget* parent = nullptr);

    // Takes ownership and deletes the previous content.
    void setContent(QWidget* content);
    QWidget* content() const { return m_content; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVBoxLayout* m_layout;
    QWidget* m_content = nullptr;
};

} // namespace Parlino

#pragma once

#include "Parlino/Panel/ScreenProvider.h"

#include <QHash>

class QScreen;

namespace Parlino {

class CompositorWatch;

// The desktop's screens through Qt on X11. The top panel's reserved height shows in the
// available frame; no display here has a notch, so the safe-area top and the auxiliary widths
// are 0. The main screen is the primary one.
class X11ScreenProvider final : public ScreenProvider {
    Q_OBJECT

public:
    explicit X11ScreenProvider(QObject* parent = nullptr);
    ~X11ScreenProvider() override;

    QList<ScreenId> screens() const override;
    std::optional<ScreenId> mainScreen() const override;
    std::optional<ScreenScalars> scalars(ScreenId screen) const override;
    QPointF pointerLocation() const override;
    bool hasCompositor() const override;

private:
    void track(QScreen* screen);

    QHash<QScreen*, ScreenId> m_ids;
    ScreenId m_nextId = 1;
    CompositorWatch* m_compositor;
};

} // namespace Parlino

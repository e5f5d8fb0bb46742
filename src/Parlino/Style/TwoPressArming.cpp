#include "Parlino/Style/TwoPressArming.h"

#include "Parlino/Style/NameAnnouncement.h"

#include <QPointer>
#include <QWidget>

namespace Parlino {

TwoPressArming::TwoPressArming(Base::Scheduler& scheduler, QObject* parent)
    : QObject(parent), m_scheduler(scheduler) {}

bool TwoPressArming::press() {
    const bool wasArmed = m_isArmed;
    const qint64 token = ++m_armToken;
    m_disarmTask.cancel();
    setIsArmed(!wasArmed);
    if (wasArmed)
        return true;
    m_disarmTask = m_scheduler.after(disarmDelay, [self = QPointer(this), token] {
        // A press or disarm since then has moved the token on or cleared the flag.
        if (self && self->m_armToken == token)
            self->setIsArmed(false);
    });
    return false;
}

void TwoPressArming::disarm() {
    m_disarmTask.cancel();
    setIsArmed(false);
}

void TwoPressArming::setIsArmed(bool armed) {
    if (armed == m_isArmed)
        return;
    m_isArmed = armed;
    emit isArmedChanged();
}

void nameByNextPress(QWidget& control, const TwoPressArming& arming, const QString& name,
                     const QString& armedName) {
    const auto follow = [&control, &arming, name, armedName] {
        control.setAccessibleName(arming.isArmed() ? armedName : name);
    };
    follow();
    QObject::connect(&arming, &TwoPressArming::isArmedChanged, &control,
                     [&control, &arming, follow, armedName] {
                         follow();
                         if (arming.isArmed())
                             announceName(control, armedName);
                     });
}

} // namespace Parlino

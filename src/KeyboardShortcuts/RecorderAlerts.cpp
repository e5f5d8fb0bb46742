#include "KeyboardShortcuts/RecorderAlerts.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

namespace KeyboardShortcuts {

int DialogRecorderAlerts::run(const Alert& alert, QWidget* window) {
    QMessageBox box(QMessageBox::Warning, QString(), alert.message, QMessageBox::NoButton, window);
    box.setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
    box.setInformativeText(alert.informativeText);
    QList<QAbstractButton*> buttons;
    for (const QString& title : alert.buttons)
        buttons.append(box.addButton(title, QMessageBox::AcceptRole));
    if (buttons.isEmpty())
        buttons.append(box.addButton(QMessageBox::Ok));
    box.setDefaultButton(static_cast<QPushButton*>(buttons.front()));
    box.setEscapeButton(buttons.front());
    box.exec();
    const auto index = buttons.indexOf(box.clickedButton());
    return firstButtonResponse + int(std::max<qsizetype>(index, 0));
}

void DialogRecorderAlerts::beep() {
    QApplication::beep();
}

} // namespace KeyboardShortcuts

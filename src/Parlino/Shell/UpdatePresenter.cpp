#include "Parlino/Shell/UpdatePresenter.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>

namespace Parlino {

namespace {

// A message box that shows without blocking the event loop and deletes itself when closed.
QMessageBox* messageBox(const QString& text) {
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Software Update"), text,
                                QMessageBox::NoButton);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    return box;
}

void inform(const QString& text) {
    QMessageBox* box = messageBox(text);
    box->addButton(QMessageBox::Ok);
    box->show();
}

} // namespace

void MessageBoxUpdatePresenter::presentUpdate(const UpdateFeed::Release& release,
                                              const QString& currentVersion) {
    QString text = QStringLiteral("Parlino %1 is available. You have %2.")
                       .arg(release.version, currentVersion);
    if (!release.notes.isEmpty())
        text += QStringLiteral("\n\n") + release.notes;
    QMessageBox* box = messageBox(text);
    const QPushButton* open =
        box->addButton(QStringLiteral("Open Download Page"), QMessageBox::AcceptRole);
    box->addButton(QStringLiteral("Not Now"), QMessageBox::RejectRole);
    QObject::connect(box, &QMessageBox::buttonClicked, box,
                     [open, page = release.downloadPage](QAbstractButton* clicked) {
                         if (clicked == open)
                             QDesktopServices::openUrl(page);
                     });
    box->show();
}

void MessageBoxUpdatePresenter::presentUpToDate(const QString& currentVersion) {
    inform(QStringLiteral("Parlino %1 is the newest version.").arg(currentVersion));
}

void MessageBoxUpdatePresenter::presentCheckFailed() {
    inform(QStringLiteral("Parlino could not check for updates. Try again later."));
}

} // namespace Parlino

#pragma once

#include <QObject>
#include <QUrl>

namespace Parlino {

// Opens what the application shows the user outside itself, the web pages of its links and the
// recordings folder (QDesktopServices::openUrl with http, https or file), through the desktop's
// xdg-open in the environment the application was started with: the user's browser and file
// manager run as from the user's own session, with none of the settings the application made for
// itself. One at a time; the schemes go back to Qt when it goes.
class DesktopOpener final : public QObject {
    Q_OBJECT

public:
    explicit DesktopOpener(QObject* parent = nullptr);
    ~DesktopOpener() override;
    DesktopOpener(const DesktopOpener&) = delete;
    DesktopOpener& operator=(const DesktopOpener&) = delete;

    // Starts xdg-open on `url` and leaves it; a failure to start it is logged.
    Q_INVOKABLE void open(const QUrl& url);
};

} // namespace Parlino

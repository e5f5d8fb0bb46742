#pragma once

// Renders a widget (and its children) into an image at a device pixel ratio and saves it as
// build/screenshots/<suite>/<name>@<ratio>x.png, so a person can look at what a test drew.
// Tests check sizes and sampled pixels of the returned image, never whole-image equality.

#include <QDir>
#include <QImage>
#include <QString>
#include <QWidget>

namespace TestSupport {

inline QString screenshotFolder(const QString& suite) {
    const QString folder = QStringLiteral(PARLINO_SCREENSHOT_DIR "/") + suite;
    QDir().mkpath(folder);
    return folder;
}

inline QImage renderScreenshot(QWidget& view, qreal ratio, const QString& suite,
                               const QString& name) {
    QImage image(view.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    view.render(&image, {}, {}, QWidget::DrawChildren);
    image.save(QStringLiteral("%1/%2@%3x.png").arg(screenshotFolder(suite), name).arg(ratio));
    return image;
}

} // namespace TestSupport

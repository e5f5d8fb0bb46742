#pragma once

#include <QString>

namespace Core {

// The error of capturing the selection. Carries no user-facing text.
class CaptureError {
public:
    enum class Kind {
        appDenied,
        appUnsupported,
        permissionDenied,
        nothingSelected,
        secureField,
        timedOut,
        ownAppFrontmost,
        selectionTooLarge,
    };

    // The most text, in UTF-8 bytes, that a capture takes: far more than anyone listens to. A
    // larger selection fails with selectionTooLarge as soon as its size shows, before the rest of
    // it is transferred.
    static constexpr qsizetype maxSelectionBytes = 8 * 1024 * 1024;

    static CaptureError appDenied(QString bundleID) {
        return {Kind::appDenied, std::move(bundleID)};
    }
    static CaptureError appUnsupported(QString bundleID) {
        return {Kind::appUnsupported, std::move(bundleID)};
    }
    static CaptureError permissionDenied() { return {Kind::permissionDenied}; }
    static CaptureError nothingSelected() { return {Kind::nothingSelected}; }
    static CaptureError secureField() { return {Kind::secureField}; }
    static CaptureError timedOut() { return {Kind::timedOut}; }
    static CaptureError ownAppFrontmost() { return {Kind::ownAppFrontmost}; }
    static CaptureError selectionTooLarge() { return {Kind::selectionTooLarge}; }

    Kind kind() const { return m_kind; }
    // The application's identifier for appDenied and appUnsupported; empty otherwise.
    const QString& bundleID() const { return m_bundleID; }

    friend bool operator==(const CaptureError&, const CaptureError&) = default;

private:
    CaptureError(Kind kind, QString bundleID = {})
        : m_kind(kind), m_bundleID(std::move(bundleID)) {}

    Kind m_kind;
    QString m_bundleID;
};

} // namespace Core

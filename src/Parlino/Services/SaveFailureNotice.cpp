#include "Parlino/Services/SaveFailureNotice.h"

#include <QCoreApplication>

namespace Parlino {

void SaveFailureNotice::readStarted() {
    m_model.setSaveFailure(std::nullopt);
}

void SaveFailureNotice::saveFailed(const StorageFiles::WriteFailure& failure) {
    if (!m_model.saveFailure())
        m_model.setSaveFailure(message(failure));
}

QString SaveFailureNotice::message(const StorageFiles::WriteFailure& failure) {
    const std::error_code& error = failure.error;
    QString cause;
    if (error == std::errc::no_space_on_device || error.value() == EDQUOT)
        cause = QCoreApplication::translate("SaveFailureNotice", "disk full");
    else if (error == std::errc::read_only_file_system)
        cause = QCoreApplication::translate("SaveFailureNotice", "the disk is read-only");
    else if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted)
        cause = QCoreApplication::translate("SaveFailureNotice", "no permission to write there");
    else if (!failure.description.isEmpty())
        cause = failure.description.front().toLower() + failure.description.mid(1);
    return QCoreApplication::translate("SaveFailureNotice", "This read could not be saved: %1")
        .arg(cause);
}

} // namespace Parlino

#pragma once

#include "Parlino/Services/PlayerViewModel.h"
#include "Parlino/Storage/StorageFiles.h"

#include <QString>

namespace Parlino {

// Tells the user, once per read, that the read could not be kept on disk (its cache entry or its
// clip) and why, beside the read, which plays on: the first failure of a read is shown, and the
// next read starts with nothing said.
class SaveFailureNotice final {
public:
    explicit SaveFailureNotice(PlayerViewModel& model) : m_model(model) {}

    void readStarted();
    void saveFailed(const StorageFiles::WriteFailure& failure);

    // "This read could not be saved: disk full", with the cause named plainly.
    static QString message(const StorageFiles::WriteFailure& failure);

private:
    PlayerViewModel& m_model;
};

} // namespace Parlino

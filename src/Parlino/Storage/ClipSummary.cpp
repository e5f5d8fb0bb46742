#include "Parlino/Storage/ClipSummary.h"

#include "Parlino/Storage/StorageFiles.h"

namespace Parlino {

bool ClipID::isValid() const {
    return StorageFiles::isPlainName(rawValue) && rawValue != u"staging";
}

} // namespace Parlino

#include "Parlino/Shell/BuildInformation.h"

#include "BuildInformationValues.h"

namespace Parlino::BuildInformation {

const Base::PropertyValue::Dictionary& dictionary() {
    static const Base::PropertyValue::Dictionary information{
        {applicationVersionKey, Values::applicationVersion},
        {updatePublicKeyKey, Values::updatePublicKey},
        {updateFeedURLKey, Values::updateFeedURL},
    };
    return information;
}

QString string(const Base::PropertyValue::Dictionary& information, const QString& key) {
    const auto it = information.find(key);
    if (it == information.end())
        return {};
    const QString* text = it->as<QString>();
    return text ? *text : QString();
}

} // namespace Parlino::BuildInformation

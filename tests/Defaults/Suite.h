#pragma once

#include "Base/UserDefaults.h"

#include "support/ManualTime.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

// A fixture with a fresh defaults suite in a temporary folder.
class SuiteTest : public ::testing::Test {
protected:
    QTemporaryDir folder;
    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler{clock};
    std::shared_ptr<Base::UserDefaults> suite =
        Base::UserDefaults::open(QStringLiteral("test"), folder.path(), scheduler);

    std::optional<Base::PropertyValue> stored(const QString& name) const {
        return suite->objectForKey(name);
    }
};

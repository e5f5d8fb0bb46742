#include "Base/Environment.h"

#include <gtest/gtest.h>

namespace {

QByteArray valueIn(const QByteArrayList& entries, const QByteArray& name) {
    for (const QByteArray& entry : entries)
        if (entry.startsWith(name + '='))
            return entry.mid(name.size() + 1);
    return "(absent)";
}

// What the process set for itself it sees; what it had at its start (or nothing) is what the
// programs it starts see, byte for byte like every other variable.
TEST(Environment, ProgramsStartedGetTheVariablesSetForTheProcessAsTheyWereAtItsStart) {
    qputenv("PARLINO_TEST_HAD", "started");
    qputenv("PARLINO_TEST_OTHER", QByteArray("caf\xe9", 4));
    Base::Environment::setForThisProcess("PARLINO_TEST_HAD", "mine");
    Base::Environment::setForThisProcess("PARLINO_TEST_HAD", "mine again");
    Base::Environment::setForThisProcess("PARLINO_TEST_NEW", "mine");
    EXPECT_EQ(qgetenv("PARLINO_TEST_HAD"), "mine again");

    const QByteArrayList entries = Base::Environment::entriesForStartedPrograms();
    EXPECT_EQ(valueIn(entries, "PARLINO_TEST_HAD"), "started");
    EXPECT_EQ(valueIn(entries, "PARLINO_TEST_NEW"), "(absent)");
    EXPECT_EQ(valueIn(entries, "PARLINO_TEST_OTHER"), QByteArray("caf\xe9", 4));
    const auto environment = Base::Environment::forStartedPrograms();
    EXPECT_EQ(environment.value(QStringLiteral("PARLINO_TEST_HAD")), QStringLiteral("started"));
    EXPECT_FALSE(environment.contains(QStringLiteral("PARLINO_TEST_NEW")));
}

} // namespace

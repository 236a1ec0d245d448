#pragma once

#include <gtest/gtest.h>

#include "support/QtFiles.h"
#include "support/ScopedEnvironment.h"

namespace orbpix::test {

// Settings of the test's own: both hives, HOME and the data folder in a temporary folder
// (see usePrivateSettingsHome).
class SettingsFixture : public ::testing::Test {
protected:
    void SetUp() override { usePrivateSettingsHome(m_env, m_temp.root().toStdString()); }
    QString userFolder() const { return m_temp.path(QStringLiteral("user")); }
    QString machineFolder() const { return m_temp.path(QStringLiteral("machine")); }
    // Files written by hand, as an administrator or another program would.
    static bool writeFile(const QString& path, const QByteArray& content) {
        return test::writeFile(path, content);
    }
    static QByteArray readFile(const QString& path) { return test::readFile(path); }

    // Makes a hive impossible to create, even for root: its folder would have to live inside
    // a regular file.
    void makeMachineHiveUnwritable() {
        writeFile(m_temp.path(QStringLiteral("blocker")), "x");
        m_env.set("XDG_CONFIG_DIRS", m_temp.path(QStringLiteral("blocker/xdg")));
    }
    void makeUserHiveUnwritable() {
        writeFile(m_temp.path(QStringLiteral("userblocker")), "x");
        m_env.set("XDG_CONFIG_HOME", m_temp.path(QStringLiteral("userblocker/config")));
    }

    QtTempFolder m_temp;
    ScopedEnvironment m_env;
};

}  // namespace orbpix::test

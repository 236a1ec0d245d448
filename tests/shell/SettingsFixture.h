#pragma once

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include "ScopedEnvironment.h"
#include "TempFolder.h"

namespace orbpix::test {

// Points both hives at fresh temporary folders: user/ and machine/ (second XDG entry other/).
class SettingsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        m_env.set("XDG_CONFIG_HOME", userFolder());
        m_env.set("XDG_CONFIG_DIRS", machineFolder() + QStringLiteral(":") + m_temp.path("other"));
    }
    QString userFolder() const { return m_temp.path(QStringLiteral("user")); }
    QString machineFolder() const { return m_temp.path(QStringLiteral("machine")); }

    // Writes an INI file by hand, as an administrator or another program would.
    void writeFile(const QString& path, const QByteArray& content) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(content), content.size());
    }
    static QByteArray readFile(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // Makes the machine hive impossible to create, even for root: its folder would have to
    // live inside a regular file.
    void makeMachineHiveUnwritable() {
        writeFile(m_temp.path(QStringLiteral("blocker")), "x");
        m_env.set("XDG_CONFIG_DIRS", m_temp.path(QStringLiteral("blocker/xdg")));
    }
    void makeUserHiveUnwritable() {
        writeFile(m_temp.path(QStringLiteral("userblocker")), "x");
        m_env.set("XDG_CONFIG_HOME", m_temp.path(QStringLiteral("userblocker/config")));
    }

    TempFolder m_temp;
    ScopedEnvironment m_env;
};

}  // namespace orbpix::test

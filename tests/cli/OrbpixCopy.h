#pragma once

#include <gtest/gtest.h>
#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "support/SettingsFixture.h"
#include "support/TourExportSupport.h"

namespace orbpix::test {

// Runs a copy of orbpix that lives in a program folder of the test's own ("program/"), so that
// it finds Tourgen, the viewer and the skins there, with a private temporary folder ("tmp/")
// and a folder for the test's pictures ("pictures/").
class OrbpixCopy : public SettingsFixture {
protected:
    // command: the words before the arguments, such as {"tour", "build"}.
    explicit OrbpixCopy(QStringList command) : m_command(std::move(command)) {}

    void SetUp() override {
        SettingsFixture::SetUp();
        m_env.set("TMPDIR", m_temp.path("tmp"));
        ASSERT_TRUE(QDir().mkpath(m_temp.path("tmp")));
        ASSERT_TRUE(QDir().mkpath(m_temp.path("pictures")));
        makeProgramFolder(m_temp.path("program"), {"orbpix"});
    }

    struct Outcome {
        int status;
        QString out;
        QString err;
    };
    Outcome orbpix(const QStringList& args) {
        QProcess process;
        process.start(m_temp.path("program/orbpix"), m_command + args);
        EXPECT_TRUE(process.waitForFinished(120000));
        return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
                QString::fromLocal8Bit(process.readAllStandardError())};
    }

private:
    QStringList m_command;
};

}  // namespace orbpix::test

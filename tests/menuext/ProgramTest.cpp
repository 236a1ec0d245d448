// OrbMenu as a file manager starts it: the album program it starts (a recording stand-in
// named as "Exe") and the message when there is none.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include "shell/CommandLine.h"
#include "support/QtFiles.h"
#include "support/WaitUntil.h"

namespace orbpix::menu {
namespace {

using namespace std::chrono_literals;

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::chmod(m_temp.root().toLocal8Bit().constData(), 0700), 0);
        ASSERT_TRUE(QDir().mkpath(m_temp.path("config")));
        ASSERT_TRUE(QDir().mkpath(m_temp.path("bin")));
        ASSERT_TRUE(QDir().mkpath(m_temp.path("work")));
        m_env.insert("XDG_CONFIG_HOME", m_temp.path("config"));
        m_env.insert("XDG_CONFIG_DIRS", m_temp.path("machine"));
        m_env.insert("XDG_RUNTIME_DIR", m_temp.root());
        m_env.insert("HOME", m_temp.root());
        // Only the tools the test puts there: no real notifier may pop up.
        m_env.insert("PATH", m_temp.path("bin"));
        m_env.insert("QT_QPA_PLATFORM", "offscreen");
        m_env.insert("ORBMENU_NOTICE_TIMEOUT_MS", "10");
    }

    // A script that writes its arguments, one a line, and then renames the file into place
    // so that the test never sees half of it.
    QString recorder(const QString& name, const QString& record) {
        const QString path = m_temp.path(name);
        const QByteArray script = "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + record.toUtf8() +
                                  ".part'\n/bin/mv '" + record.toUtf8() + ".part' '" +
                                  record.toUtf8() + "'\n";
        EXPECT_TRUE(test::writeFile(path, script));
        EXPECT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner));
        return path;
    }

    void nameExe(const QString& exe) {
        ASSERT_TRUE(test::writeFile(m_temp.path("config/Orbworks/OrbPixStudio.conf"),
                                    "[Settings]\nExe=" + exe.toUtf8() + "\n"));
    }

    struct Result {
        int code = -1;
        QString err;
    };
    Result orbMenu(const QStringList& args) {
        QProcess process;
        process.setProcessEnvironment(m_env);
        process.setWorkingDirectory(m_temp.path("work"));
        process.start(QStringLiteral(ORBPIX_PROGRAM_DIR "/OrbMenu"), args);
        if (!process.waitForFinished(30000))
            return {};
        return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError())};
    }

    test::QtTempFolder m_temp;
    QProcessEnvironment m_env = QProcessEnvironment::systemEnvironment();
};

TEST_F(ProgramTest, StartsTheAlbumProgramWithTheArgumentFile) {
    const QString record = m_temp.path("album-args");
    nameExe(recorder("Album Program", record));
    const Result result =
        orbMenu({"html", "a b.jpg", "notes.txt", QStringLiteral("/pics/Été ✓.PNG")});
    EXPECT_EQ(result.code, 0) << result.err.toStdString();
    ASSERT_TRUE(test::waitUntil([&] { return QFileInfo::exists(record); }, 20s));
    const QString argumentFile = m_temp.path("~orb.args");
    EXPECT_EQ(test::readFile(record), "-OrbArgs\n" + argumentFile.toUtf8() + "\n");
    CommandLineParser parser;
    parser.parseArguments({QStringLiteral("-OrbArgs"), argumentFile});
    EXPECT_EQ(parser.mode(), RunMode::Html);
    EXPECT_EQ(parser.files(),
              QStringList({m_temp.path("work/a b.jpg"), QStringLiteral("/pics/Été ✓.PNG")}));
    EXPECT_TRUE(result.err.contains("notes.txt"));
}

TEST_F(ProgramTest, WithoutExeItSaysSoAndStartsNothing) {
    const QString notified = m_temp.path("notified");
    const QString notifier = recorder("bin/notify-send", notified);
    const Result result = orbMenu({"email", "a.jpg"});
    EXPECT_EQ(result.code, 2);
    EXPECT_TRUE(result.err.contains("No such file or directory")) << result.err.toStdString();
    ASSERT_TRUE(test::waitUntil([&] { return QFileInfo::exists(notified); }, 20s));
    EXPECT_TRUE(test::readFile(notified).contains("album program was not found"));
    EXPECT_FALSE(QFileInfo::exists(m_temp.path("~orb.args")));

    // Without a notifier the dialog shows, and closes by itself here.
    ASSERT_TRUE(QFile::remove(notifier));
    EXPECT_EQ(orbMenu({"local", "a.jpg"}).code, 2);
    EXPECT_FALSE(QFileInfo::exists(m_temp.path("~orb.args")));
}

TEST_F(ProgramTest, AnAlbumProgramThatIsGoneIsReportedNotPassedOverInSilence) {
    nameExe(m_temp.path("moved away/OrbPixStudio"));
    const Result result = orbMenu({"email", "a.jpg"});
    EXPECT_EQ(result.code, 1);
    EXPECT_TRUE(result.err.contains("could not be started")) << result.err.toStdString();
    // Nothing selected is a picture: nothing to publish, and nothing started.
    nameExe(recorder("Album Program", m_temp.path("album-args")));
    EXPECT_EQ(orbMenu({"email", "notes.txt"}).code, 1);
    EXPECT_FALSE(QFileInfo::exists(m_temp.path("album-args")));
}

TEST_F(ProgramTest, DocumentsItsCommandLineAndRefusesOthers) {
    QProcess help;
    help.start(QStringLiteral(ORBPIX_PROGRAM_DIR "/OrbMenu"), {"--help"});
    ASSERT_TRUE(help.waitForFinished(30000));
    const QByteArray text = help.readAllStandardOutput();
    EXPECT_EQ(help.exitCode(), 0);
    for (const char* word : {"email|html|local FILE", "--register", "--unregister", "--system"})
        EXPECT_TRUE(text.contains(word)) << word;
    EXPECT_EQ(orbMenu({"print", "a.jpg"}).code, 64);
    EXPECT_EQ(orbMenu({"--register", "--everyone"}).code, 64);
}

}  // namespace
}  // namespace orbpix::menu

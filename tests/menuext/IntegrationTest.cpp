// Registration installs files that each file manager's own reader accepts, keeps what others
// put into the shared Thunar file, and takes away exactly what it added.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include "menuext/Integration.h"
#include "support/SettingsFixture.h"

namespace orbpix::menu {
namespace {

// Runs a tool; its exit code and what it said.
std::pair<int, QString> run(const QString& program, const QStringList& args) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    if (!process.waitForFinished(30000))
        return {-1, QStringLiteral("timed out")};
    return {process.exitCode(), QString::fromLocal8Bit(process.readAll())};
}

QString tool(const char* name) {
    const QString path = QStandardPaths::findExecutable(QLatin1String(name));
    EXPECT_FALSE(path.isEmpty()) << name << " is missing: run scripts/install-deps";
    return path;
}

QStringList filesBelow(const QString& root) {
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::System | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(it.next());
    return files;
}

constexpr const char* kOtherActions =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n<!-- mine -->\n<action>\n"
    "\t<icon>utilities-terminal</icon>\n\t<name>Open Terminal Here</name>\n"
    "\t<unique-id>1600000000000000-1</unique-id>\n\t<command>exo-open --launch "
    "TerminalEmulator %f</command>\n\t<description></description>\n\t<patterns>*</patterns>\n"
    "\t<startup-notify/>\n\t<directories/>\n</action>\n</actions>\n";

class IntegrationTest : public test::SettingsFixture {
protected:
    InstallRoots roots() const { return installRoots(false); }
    // A program path that needs every kind of quoting the forms have.
    QString awkwardProgram() const { return m_temp.path("Orb Pix's $HOME \"q\" 100%/OrbMenu"); }
};

TEST_F(IntegrationTest, RegisterWritesValidFilesAndUnregisterLeavesNothing) {
    const Outcome added = registerIntegration(roots(), awkwardProgram());
    EXPECT_TRUE(added.errors.isEmpty()) << added.errors.join('\n').toStdString();
    const QString desktop = kdeServiceMenuPath(roots());
    ASSERT_TRUE(desktop.startsWith(m_temp.path("data/")));
    const auto [desktopCode, desktopSays] = run(tool("desktop-file-validate"), {desktop});
    EXPECT_EQ(desktopCode, 0) << desktopSays.toStdString();
    EXPECT_TRUE(desktopSays.isEmpty()) << desktopSays.toStdString();
    EXPECT_TRUE(QFileInfo(desktop).isExecutable());  // KDE ignores a user's service menu else
    const auto [xmlCode, xmlSays] = run(tool("xmllint"), {"--noout", thunarActionsPath(roots())});
    EXPECT_EQ(xmlCode, 0) << xmlSays.toStdString();
    for (const CommandInfo& info : commands()) {
        const QString script = nautilusScriptFolder(roots()) + '/' + info.label;
        EXPECT_TRUE(QFileInfo(script).isExecutable()) << info.label;
        const auto [shCode, shSays] = run(QStringLiteral("/bin/sh"), {"-n", script});
        EXPECT_EQ(shCode, 0) << shSays.toStdString();
    }
    EXPECT_EQ(filesBelow(m_temp.root()).size(), 5);

    const Outcome removed = unregisterIntegration(roots());
    EXPECT_TRUE(removed.errors.isEmpty());
    EXPECT_EQ(filesBelow(m_temp.path("data")), QStringList());
    EXPECT_EQ(filesBelow(m_temp.path("user")), QStringList());
    EXPECT_FALSE(QFileInfo::exists(m_temp.path("data/kio")));
}

TEST_F(IntegrationTest, TheNautilusScriptStartsTheProgramWithTheSelectedFiles) {
    // A stand-in at the awkward path records what the script hands it.
    const QString program = awkwardProgram();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(program).path()));
    ASSERT_TRUE(writeFile(program, "#!/bin/sh\nprintf '%s\\n' \"$@\"\n"));
    ASSERT_TRUE(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));
    ASSERT_TRUE(registerIntegration(roots(), program).errors.isEmpty());
    const QString script = nautilusScriptFolder(roots()) + "/Save ORB Album on a local drive";
    const auto [code, says] = run(QStringLiteral("/bin/sh"), {script, "a b.jpg", "c\"d.png"});
    EXPECT_EQ(code, 0);
    EXPECT_EQ(says, QStringLiteral("local\na b.jpg\nc\"d.png\n"));
}

TEST_F(IntegrationTest, ThunarActionsOfOthersSurviveRegisteringTwiceAndUnregistering) {
    const QString uca = thunarActionsPath(roots());
    ASSERT_TRUE(writeFile(uca, kOtherActions));
    ASSERT_TRUE(registerIntegration(roots(), QStringLiteral("/opt/o/OrbMenu")).errors.isEmpty());
    ASSERT_TRUE(registerIntegration(roots(), QStringLiteral("/new/OrbMenu")).errors.isEmpty());
    const QByteArray both = readFile(uca);
    EXPECT_EQ(both.count("<action>"), 4);
    EXPECT_EQ(both.count("/new/OrbMenu"), 3);
    EXPECT_FALSE(both.contains("/opt/o/OrbMenu"));
    EXPECT_TRUE(both.contains("Open Terminal Here"));

    ASSERT_TRUE(unregisterIntegration(roots()).errors.isEmpty());
    const auto left = removeThunarActions(readFile(uca));
    ASSERT_TRUE(left);
    EXPECT_FALSE(left->removedAny);
    EXPECT_TRUE(left->othersLeft);
    const QByteArray kept = readFile(uca);
    EXPECT_EQ(kept.count("<action>"), 1);
    for (const char* part : {"<!-- mine -->", "1600000000000000-1",
                             "exo-open --launch TerminalEmulator %f", "<startup-notify/>"})
        EXPECT_TRUE(kept.contains(part)) << part;
}

TEST_F(IntegrationTest, AThunarFileItCannotReadIsLeftAlone) {
    const QString uca = thunarActionsPath(roots());
    const QByteArray broken = "<actions><action><name>half";
    ASSERT_TRUE(writeFile(uca, broken));
    const Outcome added = registerIntegration(roots(), QStringLiteral("/opt/o/OrbMenu"));
    EXPECT_EQ(added.errors.size(), 1);
    EXPECT_TRUE(QFileInfo::exists(kdeServiceMenuPath(roots())));  // the other forms still go in
    EXPECT_EQ(readFile(uca), broken);
    EXPECT_EQ(unregisterIntegration(roots()).errors.size(), 1);
    EXPECT_EQ(readFile(uca), broken);
    // A file of actions without ours is not ours to remove, even when it lists none.
    ASSERT_TRUE(writeFile(uca, "<actions/>"));
    EXPECT_TRUE(unregisterIntegration(roots()).errors.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(uca));
}

TEST_F(IntegrationTest, ForAllUsersItWritesToTheMachineFolders) {
    m_env.set("XDG_DATA_DIRS", m_temp.path("share") + ":/usr/share");
    const InstallRoots machine = installRoots(true);
    EXPECT_EQ(machine.data, m_temp.path("share"));
    EXPECT_EQ(machine.config, machineFolder());
    ASSERT_TRUE(registerIntegration(machine, QStringLiteral("/opt/o/OrbMenu")).errors.isEmpty());
    EXPECT_EQ(filesBelow(m_temp.root()).size(), 2);
    ASSERT_TRUE(unregisterIntegration(machine).errors.isEmpty());
    EXPECT_EQ(filesBelow(m_temp.root()), QStringList());
}

}  // namespace
}  // namespace orbpix::menu

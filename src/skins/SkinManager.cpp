#include "skins/SkinManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "shell/RegistryStore.h"
#include "shell/ResourceLibrary.h"
#include "shell/Settings.h"
#include "skins/FileTypeRegistration.h"
#include "skins/SkinInfo.h"

namespace orbpix {

QString zipErrorText(int code, const QString& message) {
    return QStringLiteral("Zip error %1:\n%2").arg(code).arg(message);
}

SkinManager::SkinManager() = default;
SkinManager::SkinManager(Hooks hooks) : m_hooks(std::move(hooks)) {}
SkinManager::~SkinManager() = default;

bool SkinManager::initialise(const QString& skinsFolder, const QString& defaultSkin,
                             const QString& wantedSkin) {
    m_skinsFolder = skinsFolder;
    if (!m_skinsFolder.endsWith(QLatin1Char('/')))
        m_skinsFolder += QLatin1Char('/');
    m_defaultSkin = defaultSkin;
    (void)QDir().mkpath(m_skinsFolder);
    enumerateSkins();
    bool found = true;
    if (m_installed.contains(wantedSkin))
        m_current = wantedSkin;
    else if (m_installed.contains(m_defaultSkin))
        m_current = m_defaultSkin;
    else if (!m_installed.isEmpty())
        m_current = m_installed.first();
    else
        found = false;
    notifyWindows();
    return found;
}

void SkinManager::registerFileType(const QString& programPath, const QString& extension,
                                   int iconIndex) {
    (void)iconIndex;  // the desktop entry names the program's own icon
    (void)writeSkinFileType(programPath, extension);
}

bool SkinManager::installPackage(const QString& packagePath, int /*flag*/) {
    // A relative path names the package as well as an absolute one.
    const QString absolute = QFileInfo(packagePath).absoluteFilePath();
    const QString name = skinNameOfPackage(absolute);
    if (name.isEmpty())
        return false;
    const QString target = m_skinsFolder + name;
    const bool existed = QFileInfo(target).isDir();
    (void)QDir().mkpath(target);
    const int written =
        extractZipArchive(absolute, target, [this](ZipError code, const QString& message) {
            if (m_hooks.zipError)
                m_hooks.zipError(static_cast<int>(code), message);
        });
    if (written <= 0) {
        // Nothing usable came out (a missing or damaged package): an empty skin would
        // become current and break every later tour, so everything stays as it was. The
        // extraction has already told the user why.
        if (!existed)
            (void)QDir(target).removeRecursively();
        return false;
    }
    m_current = name;
    (void)registry::writeText(registry::Hive::User, QString::fromLatin1(kSkinsKey),
                              QString::fromLatin1(kLastInstalledSkinValue), name);
    // Every running instance has switched before the setting changes under it.
    if (m_hooks.broadcastInstalled)
        m_hooks.broadcastInstalled();
    (void)writeText(QStringLiteral("Settings"), QStringLiteral("Skin"), name);
    return true;
}

void SkinManager::applyLastInstalled() {
    const QString key = QString::fromLatin1(kSkinsKey);
    const QString last =
        registry::readText(registry::Hive::User, key, QString::fromLatin1(kLastInstalledSkinValue))
            .value_or(QString());
    const std::uint32_t switchOnInstall =
        registry::readNumber(registry::Hive::User, key, QString::fromLatin1(kSwitchOnInstallValue))
            .value_or(1);
    if (switchOnInstall == 0)
        return;
    m_current = last;
    notifyWindows();
}

void SkinManager::notifyWindows() {
    // A window may unregister (or close) while it handles the event: walk a copy.
    const QList<QPointer<QObject>> windows = m_windows;
    for (const QPointer<QObject>& window : windows) {
        if (!window)
            continue;
        SkinChangedEvent event(m_current);
        QCoreApplication::sendEvent(window, &event);
    }
}

void SkinManager::enumerateSkins() {
    m_installed.clear();
    if (m_skinsFolder.isEmpty())
        return;
    const QDir folder(m_skinsFolder);
    m_installed =
        folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Unsorted);
}

int SkinManager::getSkinList(QStringList& list) {
    enumerateSkins();
    list.append(m_installed);
    return static_cast<int>(m_installed.size());
}

bool SkinManager::selectSkin(int index) {
    const QString name = index >= 0 && index < m_installed.size() ? m_installed[index] : QString();
    if (name != m_current) {
        m_current = name;
        notifyWindows();
    }
    return true;
}

bool SkinManager::addWindow(QObject* window) {
    if (!window)
        return false;
    // Windows destroyed without unregistering leave null entries; they are dropped here.
    m_windows.removeIf([](const QPointer<QObject>& w) { return w.isNull(); });
    for (const QPointer<QObject>& w : m_windows)
        if (w == window)
            return false;
    m_windows.append(window);
    return true;
}

bool SkinManager::removeWindow(QObject* window) {
    if (!window)
        return false;
    for (qsizetype i = 0; i < m_windows.size(); ++i) {
        if (m_windows[i] == window) {
            m_windows.removeAt(i);
            return true;
        }
    }
    return false;
}

QImage SkinManager::loadElementBitmap(const QString& name) const {
    if (!m_current.isEmpty()) {
        QImage picture(skinFolder(m_current) + name + QStringLiteral(".bmp"));
        if (!picture.isNull())
            return picture;
        if (getInfoInt(QStringLiteral("DefaultSkin"), name, 0) == 0)
            return {};
    }
    return QImage(ResourceLibrary::bitmapPath(QStringLiteral("ID_SKIN_") + name));
}

bool SkinManager::loadElement(const QString& name, SkinBitmap& bitmap) const {
    bitmap.attach(loadElementBitmap(name));
    bitmap.setTransparent(
        parseSkinColour(getInfoString(QStringLiteral("Transparency"), name, QString())));
    return !bitmap.isEmpty();
}

QRgb SkinManager::getSkinColor(const QString& name, QRgb fallback) const {
    return parseSkinColour(getInfoString(QStringLiteral("Color"), name, QString()))
        .value_or(fallback);
}

QString SkinManager::getInfoString(const QString& section, const QString& key,
                                   const QString& fallback) const {
    if (m_current.isEmpty())
        return fallback;
    return SkinInfoFile::string(infoFile(), section, key, fallback);
}

int SkinManager::getInfoInt(const QString& section, const QString& key, int fallback) const {
    if (m_current.isEmpty())
        return fallback;
    return SkinInfoFile::integer(infoFile(), section, key, fallback);
}

}  // namespace orbpix

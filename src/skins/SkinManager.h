#pragma once

#include <QEvent>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRgb>
#include <QString>
#include <QStringList>
#include <functional>

#include "skins/SkinBitmap.h"
#include "skins/SkinPackage.h"

namespace orbpix {

// Sent to every registered window when the skin changes; the windows reload their pictures.
inline constexpr int WM_SKIN_CHANGED = 0x431;

class SkinChangedEvent : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(WM_SKIN_CHANGED);
    explicit SkinChangedEvent(QString skin) : QEvent(kType), m_skin(std::move(skin)) {}
    const QString& skin() const { return m_skin; }

private:
    QString m_skin;
};

// Where the installing instance leaves the name of the skin it installed, and whether the
// other instances follow it.
inline constexpr const char* kSkinsKey = "Software\\Orbworks\\OrbPixStudio\\Skins";
inline constexpr const char* kLastInstalledSkinValue = "LastInstalledSkin";
inline constexpr const char* kSwitchOnInstallValue = "SwitchOnInstall";

// The installed skins, the current one and the windows that show it. One per program run;
// everything runs on the user-interface thread.
class SkinManager {
public:
    // What the manager needs from its surroundings; tests replace the defaults.
    struct Hooks {
        // Shows one extraction failure ("Zip error %d:\n%s" in a box titled "Unzip error").
        std::function<void(int code, const QString& message)> zipError;
        // Tells every other running album program that a skin was installed and returns
        // when they all have handled it.
        std::function<void()> broadcastInstalled;
    };

    SkinManager();
    explicit SkinManager(Hooks hooks);
    virtual ~SkinManager();
    SkinManager(const SkinManager&) = delete;
    SkinManager& operator=(const SkinManager&) = delete;

    // Remembers the skins folder (made when missing) and the default skin, lists the
    // installed skins and picks the current one: the wanted skin, else the default, else the
    // first listed. False when no skin is installed (the current skin stays as it was).
    virtual bool initialise(const QString& skinsFolder, const QString& defaultSkin,
                            const QString& wantedSkin);
    // Makes double-clicked packages install themselves: a shared-mime-info type for the
    // extension and a desktop entry running the program with -OrbSkin.
    virtual void registerFileType(const QString& programPath, const QString& extension,
                                  int iconIndex);
    // Extracts the package into its own skin folder, makes it current, records it as the
    // last installed skin, lets the other instances switch and then stores it as the
    // "Skin" setting. False, with the skins folder and the settings as they were, when the
    // path names no skin or the package yields no file.
    virtual bool installPackage(const QString& packagePath, int flag);
    // Switches to the skin another instance installed, unless "SwitchOnInstall" is 0.
    virtual void applyLastInstalled();
    // Sends WM_SKIN_CHANGED to every registered window in registration order.
    virtual void notifyWindows();
    virtual void enumerateSkins();
    // Re-enumerates and appends the installed names; answers their count.
    virtual int getSkinList(QStringList& list);
    virtual QString getCurrentSkin() const { return m_current; }
    // The skin at the index becomes current (no skin outside the list); windows are told
    // only when the name changed.
    virtual bool selectSkin(int index);
    // A window appears at most once; a null window is never kept.
    virtual bool addWindow(QObject* window);
    virtual bool removeWindow(QObject* window);

    // The element's picture: the current skin's "<name>.bmp"; when the skin lacks it and its
    // "DefaultSkin" entry for the name is non-zero, or when no skin is current, the built-in
    // "ID_SKIN_<name>" picture of the resource library. A null image when there is none.
    virtual QImage loadElementBitmap(const QString& name) const;
    // Gives the bitmap the element's picture (or empties it) and its "Transparency" colour;
    // answers whether a picture was found.
    virtual bool loadElement(const QString& name, SkinBitmap& bitmap) const;
    // The element's "Color" entry, else the fallback.
    virtual QRgb getSkinColor(const QString& name, QRgb fallback) const;
    // Values of the current skin's "info.txt"; with no current skin the fallback, and no file
    // is read.
    virtual QString getInfoString(const QString& section, const QString& key,
                                  const QString& fallback) const;
    virtual int getInfoInt(const QString& section, const QString& key, int fallback) const;

    const QString& skinsFolder() const { return m_skinsFolder; }
    const QString& defaultSkin() const { return m_defaultSkin; }
    // The folder of a skin: the skins folder, the name and a slash.
    QString skinFolder(const QString& name) const {
        return m_skinsFolder + name + QLatin1Char('/');
    }

private:
    QString infoFile() const { return skinFolder(m_current) + QStringLiteral("info.txt"); }

    Hooks m_hooks;
    QString m_skinsFolder;
    QStringList m_installed;
    QString m_current;
    QString m_defaultSkin;
    QList<QPointer<QObject>> m_windows;
};

// "Zip error %d:\n%s" filled in.
QString zipErrorText(int code, const QString& message);

}  // namespace orbpix

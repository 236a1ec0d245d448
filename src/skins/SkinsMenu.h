#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QAction;
class QMenu;

namespace orbpix {

class SkinManager;

inline constexpr int kNoSkinCommand = 40022;
inline constexpr int kSkinsPageCommand = 40024;
inline constexpr int kFirstSkinCommand = 45000;
inline constexpr int kLastSkinCommand = 45256;
inline constexpr int kSkinsPageText = 215;

// Where more skins are to be had: text 215, or the maker's own page.
QString skinsPageAddress();

// The command an action of the program's menus stands for (its data), 0 for none.
int commandOf(const QAction* action);

// Keeps a skins popup in step with the installed skins. The popup holds a placeholder action
// with command 45000 (its text is shown, greyed, when no skin is installed) and may hold the
// "no skin" action 40022. Each time the popup opens, one checkable action per installed skin
// replaces the placeholder (45000 + n for the n-th); choosing one selects that skin, choosing
// 40022 selects none, 40024 opens the skins page in the browser.
class SkinsMenu : public QObject {
public:
    SkinsMenu(QMenu& menu, SkinManager& skins);

    void rebuild();

private:
    void triggered(QAction* action);

    QPointer<QMenu> m_menu;
    SkinManager& m_skins;
    QString m_placeholderText;
    bool m_placeholderKnown = false;
};

}  // namespace orbpix

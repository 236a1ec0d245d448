#include "skins/SkinsMenu.h"

#include <QAction>
#include <QMenu>

#include "shell/Browser.h"
#include "shell/ResourceLibrary.h"
#include "skins/SkinManager.h"

namespace orbpix {

QString skinsPageAddress() {
    return resourceLibrary().text(kSkinsPageText,
                                  QStringLiteral("https://www.orbworks.example/skins/"));
}

int commandOf(const QAction* action) {
    return action != nullptr ? action->data().toInt() : 0;
}

SkinsMenu::SkinsMenu(QMenu& menu, SkinManager& skins)
    : QObject(&menu), m_menu(&menu), m_skins(skins) {
    connect(&menu, &QMenu::aboutToShow, this, &SkinsMenu::rebuild);
    connect(&menu, &QMenu::triggered, this, &SkinsMenu::triggered);
}

void SkinsMenu::rebuild() {
    if (!m_menu)
        return;
    QAction* before = nullptr;
    bool seenSkinItem = false;
    for (QAction* action : m_menu->actions()) {
        const int command = commandOf(action);
        if (command >= kFirstSkinCommand && command <= kLastSkinCommand) {
            if (command == kFirstSkinCommand && !m_placeholderKnown) {
                m_placeholderText = action->text();
                m_placeholderKnown = true;
            }
            seenSkinItem = true;
            m_menu->removeAction(action);
            action->deleteLater();
        } else if (seenSkinItem && before == nullptr) {
            before = action;  // the new items go where the old ones stood
        }
    }
    QStringList installed;
    (void)m_skins.getSkinList(installed);
    const QString current = m_skins.getCurrentSkin();
    const int count = std::min<int>(installed.size(), kLastSkinCommand - kFirstSkinCommand + 1);
    for (int n = 0; n < count; ++n) {
        auto* item = new QAction(installed[n], m_menu);
        item->setData(kFirstSkinCommand + n);
        item->setCheckable(true);
        item->setChecked(installed[n] == current);
        m_menu->insertAction(before, item);
    }
    if (count == 0) {
        auto* placeholder = new QAction(m_placeholderText, m_menu);
        placeholder->setData(kFirstSkinCommand);
        placeholder->setEnabled(false);
        m_menu->insertAction(before, placeholder);
    }
    for (QAction* action : m_menu->actions()) {
        if (commandOf(action) == kNoSkinCommand) {
            action->setCheckable(true);
            action->setChecked(current.isEmpty());
        }
    }
}

void SkinsMenu::triggered(QAction* action) {
    const int command = commandOf(action);
    if (command >= kFirstSkinCommand && command <= kLastSkinCommand)
        (void)m_skins.selectSkin(command - kFirstSkinCommand);
    else if (command == kNoSkinCommand)
        (void)m_skins.selectSkin(-1);  // no index names a skin: the windows go plain
    else if (command == kSkinsPageCommand)
        (void)openUrl(skinsPageAddress());
}

}  // namespace orbpix

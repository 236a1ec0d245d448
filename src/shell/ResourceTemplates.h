#pragma once

#include <QByteArrayView>
#include <QRect>
#include <QSize>
#include <QString>
#include <optional>
#include <vector>

namespace orbpix {

// One control of a dialog layout: its id (the widget's object name), what kind of control it
// is, where it sits in the dialog's client area and its text (a caption or a tooltip).
struct DialogControl {
    int id = 0;
    QString kind;
    QRect rect;
    QString text;
};

// A dialog layout of the resource library: the client size the controls were placed for and
// the controls in tab order.
struct DialogTemplate {
    int id = 0;
    QSize size;
    std::vector<DialogControl> controls;

    const DialogControl* control(int controlId) const;
};

// A menu of the resource library: popups holding commands (id and text, the text's part after
// a tab being the keyboard shortcut) and separators.
struct MenuEntry {
    enum class Kind { Command, Separator, Popup };
    Kind kind = Kind::Command;
    int id = 0;
    QString text;
    std::vector<MenuEntry> children;
};

struct MenuTemplate {
    int id = 0;
    std::vector<MenuEntry> popups;

    // The command's entry anywhere in the menu, or null.
    const MenuEntry* command(int commandId) const;
};

// Both are JSON documents, "dialogs/<id>.json" and "menus/<id>.json" in the library:
//   {"id": 109, "size": [w, h], "controls": [{"id": 1000, "kind": "button",
//    "rect": [x, y, w, h], "text": "..."}, ...]}
//   {"id": 101, "popups": [{"text": "&File", "items": [{"id": 40028, "text": "..."},
//    {"separator": true}, {"text": "Sub", "items": [...]}]}]}
// Nothing (and the reason in error) when the document does not have that shape: a control
// without a positive id or with a negative size, a command without an id.
std::optional<DialogTemplate> parseDialogTemplate(QByteArrayView json, QString* error = nullptr);
std::optional<MenuTemplate> parseMenuTemplate(QByteArrayView json, QString* error = nullptr);

// Read from the loaded resource library.
std::optional<DialogTemplate> loadDialogTemplate(int id, QString* error = nullptr);
std::optional<MenuTemplate> loadMenuTemplate(int id, QString* error = nullptr);
// The extension layouts that platform dialogs grow by, "dialogs/templates/<id>.json": their
// numbers are counted apart from the dialogs' own (101 is also the main window's).
std::optional<DialogTemplate> loadExtensionTemplate(int id, QString* error = nullptr);

// Splits a menu text at its tab into the label and the shortcut part (empty when none).
struct MenuText {
    QString label;
    QString shortcut;
};
MenuText splitMenuText(const QString& text);

}  // namespace orbpix

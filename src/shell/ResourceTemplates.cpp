#include "shell/ResourceTemplates.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include "shell/ResourceLibrary.h"

namespace orbpix {

namespace {

void fail(QString* error, const QString& message) {
    if (error)
        *error = message;
}

std::optional<QJsonObject> rootObject(QByteArrayView json, QString* error) {
    QJsonParseError parse;
    const QJsonDocument document = QJsonDocument::fromJson(json.toByteArray(), &parse);
    if (parse.error != QJsonParseError::NoError) {
        fail(error, QStringLiteral("offset %1: %2").arg(parse.offset).arg(parse.errorString()));
        return std::nullopt;
    }
    if (!document.isObject()) {
        fail(error, QStringLiteral("the document is not an object"));
        return std::nullopt;
    }
    return document.object();
}

// Whole numbers only: a layout with 10.5 in it was written by mistake.
std::optional<int> wholeNumber(const QJsonValue& value) {
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (number != double(int(number)))
        return std::nullopt;
    return int(number);
}

std::optional<std::vector<int>> numbers(const QJsonValue& value, qsizetype count) {
    const QJsonArray array = value.toArray();
    if (!value.isArray() || array.size() != count)
        return std::nullopt;
    std::vector<int> out;
    for (const QJsonValue& item : array) {
        const auto n = wholeNumber(item);
        if (!n)
            return std::nullopt;
        out.push_back(*n);
    }
    return out;
}

std::optional<std::vector<MenuEntry>> menuItems(const QJsonValue& value, QString* error,
                                                int depth) {
    // Menus nest two or three levels; a deeper document is not a menu.
    if (depth > 8 || !value.isArray()) {
        fail(error, QStringLiteral("menu items must be an array"));
        return std::nullopt;
    }
    std::vector<MenuEntry> entries;
    for (const QJsonValue& item : value.toArray()) {
        const QJsonObject object = item.toObject();
        MenuEntry entry;
        if (object.value(QLatin1String("separator")).toBool()) {
            entry.kind = MenuEntry::Kind::Separator;
        } else if (object.contains(QLatin1String("items"))) {
            entry.kind = MenuEntry::Kind::Popup;
            entry.text = object.value(QLatin1String("text")).toString();
            auto children = menuItems(object.value(QLatin1String("items")), error, depth + 1);
            if (!children)
                return std::nullopt;
            entry.children = std::move(*children);
        } else {
            const auto id = wholeNumber(object.value(QLatin1String("id")));
            if (!id || *id <= 0) {
                fail(error, QStringLiteral("a command needs a positive id"));
                return std::nullopt;
            }
            entry.id = *id;
            entry.text = object.value(QLatin1String("text")).toString();
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

const MenuEntry* findCommand(const std::vector<MenuEntry>& entries, int id) {
    for (const MenuEntry& entry : entries) {
        if (entry.kind == MenuEntry::Kind::Command && entry.id == id)
            return &entry;
        if (const MenuEntry* found = findCommand(entry.children, id))
            return found;
    }
    return nullptr;
}

QByteArray resourceFile(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(error, QStringLiteral("%1 is missing").arg(path));
        return {};
    }
    return file.readAll();
}

}  // namespace

const DialogControl* DialogTemplate::control(int controlId) const {
    for (const DialogControl& c : controls)
        if (c.id == controlId)
            return &c;
    return nullptr;
}

const MenuEntry* MenuTemplate::command(int commandId) const {
    return findCommand(popups, commandId);
}

std::optional<DialogTemplate> parseDialogTemplate(QByteArrayView json, QString* error) {
    const auto root = rootObject(json, error);
    if (!root)
        return std::nullopt;
    DialogTemplate dialog;
    dialog.id = wholeNumber(root->value(QLatin1String("id"))).value_or(0);
    const auto size = numbers(root->value(QLatin1String("size")), 2);
    if (!size || (*size)[0] <= 0 || (*size)[1] <= 0) {
        fail(error, QStringLiteral("the dialog needs a positive size [w, h]"));
        return std::nullopt;
    }
    dialog.size = QSize((*size)[0], (*size)[1]);
    for (const QJsonValue& item : root->value(QLatin1String("controls")).toArray()) {
        const QJsonObject object = item.toObject();
        DialogControl control;
        const auto id = wholeNumber(object.value(QLatin1String("id")));
        const auto rect = numbers(object.value(QLatin1String("rect")), 4);
        if (!id || *id <= 0 || !rect || (*rect)[2] < 0 || (*rect)[3] < 0) {
            fail(error, QStringLiteral("control %1 needs a positive id and a rect [x, y, w, h]")
                            .arg(dialog.controls.size()));
            return std::nullopt;
        }
        if (dialog.control(*id)) {
            fail(error, QStringLiteral("control id %1 appears twice").arg(*id));
            return std::nullopt;
        }
        control.id = *id;
        control.rect = QRect((*rect)[0], (*rect)[1], (*rect)[2], (*rect)[3]);
        control.kind = object.value(QLatin1String("kind")).toString();
        control.text = object.value(QLatin1String("text")).toString();
        dialog.controls.push_back(std::move(control));
    }
    return dialog;
}

std::optional<MenuTemplate> parseMenuTemplate(QByteArrayView json, QString* error) {
    const auto root = rootObject(json, error);
    if (!root)
        return std::nullopt;
    MenuTemplate menu;
    menu.id = wholeNumber(root->value(QLatin1String("id"))).value_or(0);
    auto popups = menuItems(root->value(QLatin1String("popups")), error, 0);
    if (!popups)
        return std::nullopt;
    menu.popups = std::move(*popups);
    return menu;
}

std::optional<DialogTemplate> loadDialogTemplate(int id, QString* error) {
    const QByteArray json = resourceFile(
        QStringLiteral("%1/dialogs/%2.json").arg(QLatin1String(ResourceLibrary::kRoot)).arg(id),
        error);
    return json.isEmpty() ? std::nullopt : parseDialogTemplate(json, error);
}

std::optional<DialogTemplate> loadExtensionTemplate(int id, QString* error) {
    const QByteArray json = resourceFile(QStringLiteral("%1/dialogs/templates/%2.json")
                                             .arg(QLatin1String(ResourceLibrary::kRoot))
                                             .arg(id),
                                         error);
    return json.isEmpty() ? std::nullopt : parseDialogTemplate(json, error);
}

std::optional<MenuTemplate> loadMenuTemplate(int id, QString* error) {
    const QByteArray json = resourceFile(
        QStringLiteral("%1/menus/%2.json").arg(QLatin1String(ResourceLibrary::kRoot)).arg(id),
        error);
    return json.isEmpty() ? std::nullopt : parseMenuTemplate(json, error);
}

MenuText splitMenuText(const QString& text) {
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    if (tab < 0)
        return {text, {}};
    return {text.left(tab), text.mid(tab + 1)};
}

}  // namespace orbpix

#pragma once

#include <QHash>
#include <QString>
#include <QStringView>

namespace orbpix {

// Numbered user-interface texts, read from lines "NUMBER<TAB>TEXT". In the text a backslash
// followed by n, t or another backslash stands for a line break, a tab or a backslash.
// Blank lines and lines starting with '#' are skipped; any other line is an error.
class TextTable {
public:
    // Replaces the table; on error nothing is kept and error says which line failed.
    [[nodiscard]] bool parse(QStringView source, QString* error = nullptr);

    bool contains(int id) const { return m_texts.contains(id); }
    QString text(int id) const { return m_texts.value(id); }
    qsizetype size() const { return m_texts.size(); }
    QList<int> ids() const { return m_texts.keys(); }

private:
    QHash<int, QString> m_texts;
};

}  // namespace orbpix

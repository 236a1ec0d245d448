#include "shell/TextTable.h"

namespace orbpix {

namespace {

bool unescape(QStringView text, QString& out) {
    out.clear();
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\\') {
            out += c;
            continue;
        }
        if (++i == text.size())
            return false;
        switch (text[i].unicode()) {
            case u'n':
                out += u'\n';
                break;
            case u't':
                out += u'\t';
                break;
            case u'\\':
                out += u'\\';
                break;
            default:
                return false;
        }
    }
    return true;
}

}  // namespace

bool TextTable::parse(QStringView source, QString* error) {
    QHash<int, QString> texts;
    int lineNumber = 0;
    for (QStringView line : source.split(u'\n')) {
        ++lineNumber;
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const qsizetype tab = line.indexOf(u'\t');
        bool isNumber = false;
        const int id = tab > 0 ? line.left(tab).toInt(&isNumber) : 0;
        QString text;
        if (!isNumber || id < 0 || !unescape(line.mid(tab + 1), text) || texts.contains(id)) {
            if (error)
                *error = QStringLiteral("line %1 is not a text entry").arg(lineNumber);
            return false;
        }
        texts.insert(id, text);
    }
    m_texts = std::move(texts);
    return true;
}

}  // namespace orbpix

#include "shell/CommandLine.h"

#include <QDir>
#include <QFile>

namespace orbpix {

namespace {

struct Switch {
    const char* name;
    RunMode mode;
};

constexpr Switch kSwitches[] = {
    {"OrbEmail", RunMode::Email},       {"OrbHTML", RunMode::Html},
    {"OrbLocal", RunMode::LocalTour},   {"OrbSkin", RunMode::InstallSkins},
    {"OrbArgs", RunMode::ArgumentFile},
};

}  // namespace

bool CommandLineParser::isSwitchName(QStringView name) {
    for (const Switch& s : kSwitches)
        if (name == QLatin1String(s.name))
            return true;
    return false;
}

void CommandLineParser::parseParam(const QString& text, bool isFlag, bool /*isLast*/) {
    if (isFlag) {
        for (const Switch& s : kSwitches) {
            if (text != QLatin1String(s.name))
                continue;
            m_mode = s.mode;
            // The argument-file switch leaves the splash as it was: the file decides.
            if (s.mode != RunMode::ArgumentFile)
                m_splash = false;
        }
        return;
    }
    if (m_mode == RunMode::ArgumentFile) {
        m_mode = RunMode::Normal;
        // An argument file that names another (or itself) is not followed: nothing the
        // extension writes does that, and following it could recurse without end.
        if (!m_readingArgumentFile)
            readArgumentFile(text);
        return;
    }
    m_files.append(text);
}

void CommandLineParser::resolveFiles(const QString& folder) {
    const QDir base(folder);
    for (QString& file : m_files) {
        if (!file.isEmpty())
            file = QDir::cleanPath(base.absoluteFilePath(file));
    }
}

void CommandLineParser::parseArguments(const QStringList& arguments) {
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const bool last = i + 1 == arguments.size();
        const bool dashFlag = argument.startsWith(QLatin1Char('-')) && argument.size() > 1;
        const bool slashFlag =
            argument.startsWith(QLatin1Char('/')) && isSwitchName(QStringView(argument).mid(1));
        if (dashFlag || slashFlag)
            parseParam(argument.mid(1), /*isFlag=*/true, last);
        else
            parseParam(argument, /*isFlag=*/false, last);
    }
}

void CommandLineParser::readArgumentFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QByteArray line = file.readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    m_readingArgumentFile = true;
    parseArgumentLine(QString::fromUtf8(line));
    m_readingArgumentFile = false;
}

void CommandLineParser::parseArgumentLine(QStringView line) {
    // The line is "-Switch "path1" "path2"". The switch ends one character before the first
    // quote; each path ends at the next quote and the next one starts three characters
    // later (closing quote, blank, opening quote). A second blank between two paths thus
    // yields an empty name and cuts the first two characters off the following path; the
    // extension never writes one.
    const qsizetype q = line.indexOf(QLatin1Char('"'));
    if (q < 0)
        return;
    const qsizetype switchLength = q - 2;
    if (switchLength > 0)
        parseParam(line.mid(1, switchLength).toString(), /*isFlag=*/true, /*isLast=*/false);
    qsizetype start = q + 1;
    while (start <= line.size()) {
        const qsizetype e = line.indexOf(QLatin1Char('"'), start);
        if (e < 0)
            break;
        parseParam(line.mid(start, e - start).toString(), /*isFlag=*/false, /*isLast=*/false);
        start = e + 3;
    }
}

}  // namespace orbpix

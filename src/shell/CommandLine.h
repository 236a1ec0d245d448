#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>

namespace orbpix {

// How the album program runs, chosen on its command line.
enum class RunMode : std::int32_t {
    Normal = -1,  // the main window
    Email = 1,
    Html = 2,
    LocalTour = 3,
    InstallSkins = 4,
    ArgumentFile = 5,  // the next plain parameter names an argument file
};

// The argument file the context-menu extension writes into the temporary folder.
inline constexpr const char* kArgumentFileName = "~orb.args";

// Collects the run mode, the splash flag and the listed files from the parameters of the
// command line, one call per parameter in order.
class CommandLineParser {
public:
    // A flag comes without its leading '-' or '/'.
    void parseParam(const QString& text, bool isFlag, bool isLast);

    // Splits a process's arguments (without the program) into flags and plain parameters and
    // hands them to parseParam. A parameter starting with '-' is a flag. One starting with
    // '/' is a flag only when a known switch follows: elsewhere such a parameter is an
    // absolute path and must reach the file list.
    void parseArguments(const QStringList& arguments);

    // Reads the first line of an argument file and handles it as parameters. A file that
    // cannot be opened changes nothing.
    void readArgumentFile(const QString& path);
    // The same for the text of that first line.
    void parseArgumentLine(QStringView line);

    // Makes every relative file name absolute against the folder (the working folder at
    // start-up): the run modes may change folders before they open the files. Empty names
    // stay empty.
    void resolveFiles(const QString& folder);

    RunMode mode() const { return m_mode; }
    bool showSplash() const { return m_splash; }
    const QStringList& files() const { return m_files; }

    // True for the five switch names, compared exactly.
    static bool isSwitchName(QStringView name);

private:
    RunMode m_mode = RunMode::Normal;
    bool m_splash = true;
    QStringList m_files;
    bool m_readingArgumentFile = false;
};

}  // namespace orbpix

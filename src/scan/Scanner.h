#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/PixelImage.h"

namespace orbpix {

// A scanner or camera the scanner library offers.
struct ScanSourceInfo {
    std::string name;   // what opens it
    std::string label;  // what a person reads: maker, model, kind
};

// The system's scanner library, open for as long as the object lives. The library is not
// reentrant: one object at a time per process (a second waits), all calls on one thread.
class ScannerLibrary {
public:
    ScannerLibrary();
    ~ScannerLibrary();
    ScannerLibrary(const ScannerLibrary&) = delete;
    ScannerLibrary& operator=(const ScannerLibrary&) = delete;

    bool available() const { return m_available; }
    // Every source the library finds, local and on the network.
    std::vector<ScanSourceInfo> sources() const;

private:
    bool m_available = false;
};

enum class ScanStatus { Done, NoDocuments, Cancelled, Failed };

struct ScanResult {
    ScanStatus status = ScanStatus::Failed;
    std::string message;  // why, for a person; empty when done
};

// One open source.
class Scanner {
public:
    // Answers with the fraction of the picture read so far; false cancels the scan.
    using Progress = std::function<bool(double fraction)>;

    static std::unique_ptr<Scanner> open(const ScannerLibrary& library, const std::string& name,
                                         std::string& error);
    ~Scanner();
    Scanner(const Scanner&) = delete;
    Scanner& operator=(const Scanner&) = delete;

    // Sets an option by name from text: a number, "true"/"false" or one of its words.
    [[nodiscard]] bool setOption(std::string_view name, std::string_view value,
                                 std::string* error = nullptr);
    // The words a text option may take; empty for other options.
    std::vector<std::string> optionChoices(std::string_view name) const;
    // Switches the source to its document feeder, when it has one.
    bool useFeeder();
    // Scans one picture into out (8 bits per colour whatever the source delivers).
    // After the last picture of a single scan or a feeder run, ends the source's operation.
    ScanResult acquire(PixelImage& out, const Progress& progress);
    void finish();

private:
    explicit Scanner(void* handle) : m_handle(handle) {}
    int findOption(std::string_view name) const;

    void* m_handle;
};

}  // namespace orbpix

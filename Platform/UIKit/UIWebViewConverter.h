#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "Platform/Foundation/NSData.h"

// Turns office documents (spreadsheets, presentations, word-processor files, RTF) into PDF with
// LibreOffice in headless mode. Each conversion runs as its own process group in the app's
// private temporary folder, with a LibreOffice profile of its own there, and is killed when it
// overruns the time limit or its caller gives up. Conversions run one at a time: LibreOffice
// hands a second start with the same profile to the first process. Any thread.
class UIWebViewConverter {
public:
    // Seconds a conversion may take before it is stopped.
    static constexpr double kDefaultTimeLimit = 60;

    struct Result {
        bool ok { false };
        NSData pdf;          // the PDF's bytes when ok
        std::string reason;  // for people, when not ok
    };

    // The program to run: $LEXIPHANT_SOFFICE, else "soffice" on the PATH, else LibreOffice's
    // usual place; empty when there is none.
    [[nodiscard]] static std::string converterProgram();

    // The limit conversions get when none is given (tests shorten it).
    static void setTimeLimit(double seconds);
    [[nodiscard]] static double timeLimit();

    // Converts the file; `cancelled` (may be null) is polled while LibreOffice runs. A limit of
    // 0 or less means timeLimit().
    [[nodiscard]] static Result convertToPDF(const std::string& path, const std::atomic<bool>* cancelled, double timeLimit = 0);
};

#pragma once

#include "Platform/Foundation/NSStringEncoding.h"

#include <optional>
#include <string>
#include <vector>

// What a save did, as the server showed it afterwards: whether the text is stored under its
// name, which names hold which text, and what else the user must know (a mode that could not be
// restored, a switch to UTF-8). Built by the network manager, put into words by saveResultText().
struct SaveReport {
    // What a name on the server holds after the save.
    enum class Holds {
        newText,              // the text of this save, whole
        newTextMaybePartial,  // the text of this save, possibly cut short
        oldText,              // the file as it was before this save
        earlierText,          // left by an earlier save: an earlier text, possibly incomplete
    };
    struct Place {
        std::string name; // as the server listed it (a path when outside the work directory)
        Holds holds { Holds::newText };
    };

    std::string name;        // the name the save was asked for
    std::string shownName;   // the file that took (or was to take) the text, as the server listed it
    int code { 0 };          // 0: the text is stored under the name; else the transfer code
    std::string reason;      // the failure in words (empty with code 0)
    // Every name that holds text after the save, whole or not. When the folder could not be read
    // again (`listed` false), the names that may hold text.
    std::vector<Place> places;
    bool listed { true };
    // The original's mode that the saved file should have had, and what it has now (nullopt
    // when unknown); set only when they differ or the mode could not be read.
    std::optional<unsigned> modeWanted;
    std::optional<unsigned> modeNow;
    // The original was missing and the save made the file anew with the server's default mode
    // (`modeNow`, when it could be read): no listing knew the mode it had.
    bool recreatedWithDefaultMode { false };
    // The server's own words for the refusal ("550 Not enough privileges."); empty when none.
    std::string replyLine;
    // The server's reply says its disk is full or a quota is exceeded.
    bool diskFull { false };
    // The server held fewer bytes than were sent (`storedBytes` of `sentBytes`).
    std::optional<long long> storedBytes;
    long long sentBytes { 0 };
    // The folder was never read, before the save wrote anything: the places are guesses.
    bool neverLooked { false };
    // Left-overs of this app's earlier saves of the file, removed after this save's success.
    std::vector<std::string> removedLeftovers;
    // Set when the text could not be stored in `readEncoding` and went out as UTF-8.
    bool switchedToUTF8 { false };
    NSStringEncoding readEncoding { NSUTF8StringEncoding };

    [[nodiscard]] bool saved() const { return code == 0; }
    // Some name holds the text of this save, whole.
    [[nodiscard]] bool stored() const;
    // Whether the saved text went out without anything worth telling the user.
    [[nodiscard]] bool plainSuccess() const;
};

// The alert for a save's result; an empty message when there is nothing to show.
struct SaveResultText {
    std::string title;
    std::string message;
};
[[nodiscard]] SaveResultText saveResultText(const SaveReport& report);

// A file mode's permission bits as the user reads them ("644", "4755").
[[nodiscard]] std::string octal(unsigned mode);

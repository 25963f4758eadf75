#include "Classes/Others/SaveReport.h"

#include "Platform/Foundation/NSString.h"

#include <algorithm>

std::string octal(unsigned mode)
{
    return stringWithFormat("%o", mode & 07777u);
}

namespace {

std::string encodingName(NSStringEncoding encoding)
{
    switch (encoding) {
    case NSASCIIStringEncoding:
        return "ASCII";
    case NSISOLatin1StringEncoding:
        return "ISO Latin 1";
    case NSMacOSRomanStringEncoding:
        return "Mac OS Roman";
    case NSUTF16LittleEndianStringEncoding:
        return "UTF-16";
    default:
        return "its former encoding";
    }
}

std::string sentenceFor(const SaveReport::Place& place, bool listed)
{
    const std::string quoted = "'" + place.name + "'";
    const char* may = listed ? " holds " : " may hold ";
    switch (place.holds) {
    case SaveReport::Holds::newText:
        return quoted + may + "the new text.";
    case SaveReport::Holds::newTextMaybePartial:
        return quoted + " may hold part of the new text (it may be incomplete).";
    case SaveReport::Holds::oldText:
        return quoted + may + "the old text.";
    case SaveReport::Holds::earlierText:
        return quoted + " was left by an earlier save and holds an earlier text (it may be incomplete).";
    }
    return {};
}

std::string joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : "\n") + line;
    return text;
}

} // namespace

bool SaveReport::plainSuccess() const
{
    return saved() && !switchedToUTF8 && !modeWanted && !recreatedWithDefaultMode && places.size() <= 1 && listed
        && removedLeftovers.empty();
}

bool SaveReport::stored() const
{
    return saved()
        || std::any_of(places.begin(), places.end(), [](const Place& p) { return p.holds == Holds::newText; });
}

SaveResultText saveResultText(const SaveReport& report)
{
    if (report.plainSuccess())
        return {};
    std::vector<std::string> lines;
    const bool nameHolds = std::any_of(report.places.begin(), report.places.end(),
                                       [&](const SaveReport::Place& p) { return p.name == report.shownName; });
    if (report.saved()) {
        lines.push_back("'" + report.shownName + "' was saved.");
    } else {
        lines.push_back(stringWithFormat("Could not save file (%d)!", report.code));
        if (!report.reason.empty())
            lines.push_back(report.reason);
        if (!report.replyLine.empty() && report.replyLine != report.reason)
            lines.push_back("The server answered: " + report.replyLine);
        if (report.diskFull)
            lines.push_back("The server's disk is full or its quota is exceeded.");
        if (report.storedBytes)
            lines.push_back(stringWithFormat("The server kept only %lld of the %lld bytes sent.", *report.storedBytes,
                                             report.sentBytes));
        if (report.neverLooked) {
            // Nothing was written, but the folder was not seen either.
            lines.push_back("Nothing was written to the server; '" + report.shownName
                            + "' on the server may still be as it was.");
            return { "Error", joined(lines) };
        }
        if (report.places.size() == 1 && nameHolds && report.places.front().holds == SaveReport::Holds::oldText
            && report.listed) {
            lines.push_back("'" + report.shownName + "' on the server was left as it was.");
            return { "Error", joined(lines) };
        }
        if (report.listed && !nameHolds)
            lines.push_back("'" + report.shownName + "' is missing on the server.");
    }
    if (report.switchedToUTF8 && report.stored())
        lines.push_back("'" + report.shownName + "' was saved as UTF-8, because it now holds characters that "
                        + encodingName(report.readEncoding) + " cannot store.");
    if (report.modeWanted)
        lines.push_back("Its permissions could not be restored to " + octal(*report.modeWanted)
                        + (report.modeNow ? "; they are now " + octal(*report.modeNow) + "."
                                          : "; what they are now could not be read."));
    if (report.saved() && report.recreatedWithDefaultMode)
        lines.push_back("It was missing on the server and was made anew with the server's default permissions"
                        + (report.modeNow ? ", " + octal(*report.modeNow) + "." : std::string(", which could not be read.")));
    if (!report.listed)
        lines.push_back("The folder could not be read again.");
    if (!report.removedLeftovers.empty()) {
        std::string names;
        for (const std::string& name : report.removedLeftovers)
            names += (names.empty() ? "'" : ", '") + name + "'";
        lines.push_back("Left-overs of earlier saves were removed: " + names + ".");
    }
    for (const SaveReport::Place& place : report.places) {
        // The saved name holding the new text goes without saying after a success.
        if (report.saved() && place.name == report.shownName && place.holds == SaveReport::Holds::newText)
            continue;
        lines.push_back(sentenceFor(place, report.listed));
    }
    return { report.saved() ? "Saved" : "Error", joined(lines) };
}

#include "Classes/SyntaxColouring/SyntaxColouring.h"

#include <algorithm>
#include <ctime>
#include <exception>

#include "Classes/Others/FileEntry.h"
#include "Classes/SyntaxColouring/StringLiteralMatcher.h"
#include "Platform/CoreGraphics/CGColor.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSException.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSScanner.h"

namespace {

// Ends a recolouring without a log line (a string matcher could not be made or reset).
struct SilentEnd { };

struct ColourValue {
    double red, green, blue;
};

constexpr ColourValue kCommands { 0.01, 0.31, 0.17 };
constexpr ColourValue kComments { 0.63, 0.63, 0.63 };
constexpr ColourValue kInstructions { 0.0, 0.71, 0.64 };
constexpr ColourValue kKeywords { 0.95, 0.44, 0.13 };
constexpr ColourValue kStrings { 0.03, 0.68, 0.82 };
constexpr ColourValue kVariables { 0.39, 0.27, 0.44 };
constexpr ColourValue kAttributes { 0.05, 0.32, 0.64 };

// Characters with a meaning of their own in a pattern or inside a bracket expression.
constexpr std::u16string_view kPatternSpecialCharacters = u"\\^$.|?*+()[]{}-&";

// The scanners ignore case when they look for a marker. For a marker of ASCII characters
// other than letters no other character folds to it, so the cheaper literal search finds
// exactly the same places.
bool hasCaseVariants(std::u16string_view marker)
{
    return std::any_of(marker.begin(), marker.end(), [](char16_t unit) {
        return unit >= 0x80 || (unit >= u'a' && unit <= u'z') || (unit >= u'A' && unit <= u'Z');
    });
}

NSStringCompareOptions markerSearchOptions(std::u16string_view marker)
{
    return hasCaseVariants(marker) ? NSCaseInsensitiveSearch : NSLiteralSearch;
}

// Scans up to the marker as an ignoring-case scanner does.
bool scanUpToMarker(NSScanner& scanner, std::u16string_view marker)
{
    scanner.setCaseSensitive(!hasCaseVariants(marker));
    return scanner.scanUpToString(marker);
}

// Lowercases in place; ASCII words (nearly all) need no trip through ICU.
void lowercaseInPlace(std::u16string& word)
{
    bool ascii = true;
    for (char16_t& unit : word) {
        if (unit >= 0x80) {
            ascii = false;
            break;
        }
        if (unit >= u'A' && unit <= u'Z') unit = static_cast<char16_t>(unit + 32);
    }
    if (!ascii) word = lowercaseString(word);
}

std::u16string stringValue(const PlistValue::Dictionary& definition, const char* key)
{
    const auto it = definition.find(key);
    if (it == definition.end() || !it->second.isString()) return {};
    return utf8ToUtf16(it->second.asString());
}

bool boolValue(const PlistValue::Dictionary& definition, const char* key)
{
    const auto it = definition.find(key);
    return it != definition.end() && it->second.isNumber() && it->second.asBool();
}

// Cached line lookups: the passes ask for the line of positions that only move forward, and a
// text of one long line must not cost a scan of that line per marker.
class LineCache {
public:
    explicit LineCache(const std::u16string& text) : text_(text) { }

    NSRange lineOf(NSUInteger index)
    {
        if (line_.location == NSNotFound || index < line_.location || index >= line_.max())
            line_ = lineRangeForRange(text_, NSRange { index, 0 });
        return line_;
    }
    NSUInteger lineEnd(NSUInteger index) { return lineOf(index).max(); }

private:
    const std::u16string& text_;
    NSRange line_ { NSRangeNotFound };
};

// The first occurrence of a string at or after a position, remembered: when positions only
// grow, the next question is answered from the last search until it is passed.
class ForwardStringFinder {
public:
    ForwardStringFinder(const std::u16string& text, std::u16string_view target, NSStringCompareOptions options)
        : text_(text), target_(target), options_(options) { }

    // NSNotFound when there is none.
    NSUInteger next(NSUInteger from)
    {
        if (target_.empty() || from >= text_.size()) return NSNotFound;
        if (searchedFrom_ != NSNotFound && from >= searchedFrom_ && (found_ == NSNotFound || found_ >= from)) return found_;
        found_ = rangeOfString(text_, target_, options_, NSRange { from, text_.size() - from }).location;
        searchedFrom_ = from;
        return found_;
    }

private:
    const std::u16string& text_;
    std::u16string_view target_;
    NSStringCompareOptions options_;
    NSUInteger searchedFrom_ { NSNotFound };
    NSUInteger found_ { NSNotFound };
};

// The same for the first character of a set; the text length when there is none.
class ForwardSetFinder {
public:
    ForwardSetFinder(const std::u16string& text, const NSCharacterSet& set) : text_(text), set_(set) { }

    NSUInteger next(NSUInteger from)
    {
        if (from >= found_ || from < searchedFrom_) {
            searchedFrom_ = from;
            found_ = from;
            while (found_ < text_.size() && !set_.characterIsMember(text_[found_])) ++found_;
        }
        return std::max(found_, from);
    }

private:
    const std::u16string& text_;
    const NSCharacterSet& set_;
    NSUInteger searchedFrom_ { 0 };
    NSUInteger found_ { 0 };
};

bool equalsIgnoringCase(const std::u16string& text, NSUInteger location, std::u16string_view target)
{
    if (location + target.size() > text.size()) return false;
    return caseInsensitiveCompare(std::u16string_view(text).substr(location, target.size()), target) == NSOrderedSame;
}

} // namespace

// The working state of one recolouring; positions of `scanner` are relative to the search string.
struct SyntaxColouring::Pass {
    Pass(std::shared_ptr<SyntaxColouringDelegate> textView, NSRange range,
         std::shared_ptr<const std::u16string> complete, std::shared_ptr<const std::u16string> search)
        : view(std::move(textView))
        , rangeLocation(range.location)
        , rangeLength(range.length)
        , maxRange(range.location + range.length)
        , completeString(std::move(complete))
        , searchString(std::move(search))
        , completeStringLength(completeString->size())
        , searchStringLength(searchString->size())
        , scanner(searchString)
        , completeDocumentScanner(completeString)
        , lines(*searchString)
    {
    }

    const std::u16string& complete() const { return *completeString; }
    const std::u16string& search() const { return *searchString; }

    std::shared_ptr<SyntaxColouringDelegate> view;
    NSUInteger rangeLocation;
    NSUInteger rangeLength;
    NSUInteger maxRange;
    std::shared_ptr<const std::u16string> completeString;
    std::shared_ptr<const std::u16string> searchString;
    NSUInteger completeStringLength;
    NSUInteger searchStringLength;
    NSScanner scanner;
    NSScanner completeDocumentScanner;
    LineCache lines;
    std::unique_ptr<StringLiteralMatcher> firstStringMatcher;
    std::unique_ptr<StringLiteralMatcher> secondStringMatcher;
};

SyntaxColouring::SyntaxColouring()
    : SyntaxColouring(std::u16string())
{
}

SyntaxColouring::SyntaxColouring(std::u16string text)
{
    NSLog("initWithText!");
    setColours();
    buildCharacterSets();
    completeString_ = std::make_shared<const std::u16string>(std::move(text));
    reactToChanges_ = true;
}

SyntaxColouring::~SyntaxColouring() = default;

void SyntaxColouring::setFont(CTFontRef font)
{
    font_ = std::move(font);
    setColours();
}

void SyntaxColouring::setColours()
{
    if (!font_) font_ = CTFontCreateWithName(kDefaultFontName, kDefaultFontSize);
    const auto record = [this](const ColourValue& value) {
        auto colour = std::make_shared<NSAttributeDictionary>();
        (*colour)[kCTForegroundColorAttributeName] = CGColorCreateRGBA(value.red, value.green, value.blue, 1.0);
        (*colour)[kCTFontAttributeName] = font_;
        return NSAttributeDictionaryRef(std::move(colour));
    };
    commandsColour_ = record(kCommands);
    commentsColour_ = record(kComments);
    instructionsColour_ = record(kInstructions);
    keywordsColour_ = record(kKeywords);
    stringsColour_ = record(kStrings);
    variablesColour_ = record(kVariables);
    attributesColour_ = record(kAttributes);
    auto standard = std::make_shared<NSAttributeDictionary>();
    (*standard)[kCTFontAttributeName] = font_;
    standardColour_ = std::move(standard);
}

void SyntaxColouring::buildCharacterSets()
{
    letterCharacterSet_ = NSCharacterSet::letterCharacterSet();

    keywordStartCharacterSet_ = NSCharacterSet::letterCharacterSet();
    keywordStartCharacterSet_.addCharactersInString(u"_:@#");

    keywordEndCharacterSet_ = NSCharacterSet::whitespaceAndNewlineCharacterSet();
    keywordEndCharacterSet_.formUnionWithCharacterSet(NSCharacterSet::symbolCharacterSet());
    keywordEndCharacterSet_.formUnionWithCharacterSet(NSCharacterSet::punctuationCharacterSet());
    keywordEndCharacterSet_.removeCharactersInString(u"_");

    attributesCharacterSet_ = NSCharacterSet::alphanumericCharacterSet();
    attributesCharacterSet_.addCharactersInString(u" -");
}

void SyntaxColouring::setCompleteString(std::u16string text)
{
    completeString_ = std::make_shared<const std::u16string>(std::move(text));
}

void SyntaxColouring::setColour(const NSAttributeDictionaryRef& colour, NSRange range)
{
    if (const auto view = textView_.lock()) view->setTemporaryAttributesForCharacterRange(colour, range);
}

void SyntaxColouring::removeColoursFromRange(NSRange range)
{
    if (const auto view = textView_.lock()) view->removeTemporaryAttributeForCharacterRange(kCTForegroundColorAttributeName, range);
}

void SyntaxColouring::setStandardsInRange(NSRange range)
{
    if (!font_) setColours();
    setColour(standardColour_, range);
}

// ---- Choosing and loading a definition ---------------------------------------------------------

void SyntaxColouring::resetDefinition()
{
    // A second definition starts from the defaults, not from what the first one left.
    keywords_.clear();
    longestKeyword_ = 0;
    keywordsCaseSensitive_ = false;
    recolourKeywordIfAlreadyColoured_ = false;
    beginCommand_.clear();
    endCommand_.clear();
    beginInstruction_.clear();
    endInstruction_.clear();
    beginVariable_ = NSCharacterSet();
    endVariable_ = NSCharacterSet();
    firstString_.clear();
    secondString_.clear();
    firstSingleLineComment_.clear();
    secondSingleLineComment_.clear();
    beginFirstMultiLineComment_.clear();
    endFirstMultiLineComment_.clear();
    beginSecondMultiLineComment_.clear();
    endSecondMultiLineComment_.clear();
    buildCharacterSets();
}

void SyntaxColouring::setSyntaxDefinition(const std::string& fileName)
{
    NSLog("setSyntaxDefiniton!");
    resetDefinition();

    NSBundle& bundle = NSBundle::mainBundle();
    PlistValue::Array list;
    if (const auto listPath = bundle.pathForResource(kDefinitionListName, "plist")) {
        if (auto read = arrayWithContentsOfFile(*listPath)) list = std::move(*read);
    }

    FileEntry entry;
    entry.setName(fileName);
    const std::string extension = lowercaseString(entry.parseExtension());

    std::string name = "standard";
    for (const PlistValue& item : list) {
        const PlistValue& extensions = item.objectForKey("extensions");
        if (!extensions.isString()) continue;
        const auto pieces = componentsSeparatedByString(extensions.asString(), " ");
        if (std::find(pieces.begin(), pieces.end(), extension) == pieces.end()) continue;
        // The first matching entry wins; one that names no file leaves the plain definition.
        const PlistValue& file = item.objectForKey("file");
        if (file.isString() && !file.asString().empty()) name = file.asString();
        break;
    }
    definitionName_ = name;

    std::optional<PlistValue::Dictionary> definition;
    if (const auto path = bundle.pathForResource(name, "plist", kDefinitionDirectory))
        definition = dictionaryWithContentsOfFile(*path);
    if (!definition) definition = PlistValue::Dictionary { { "name", "Standard" }, { "file", "standard" }, { "extensions", "" } };
    loadDefinition(*definition);

    prepareRegularExpressions();
}

void SyntaxColouring::loadDefinition(const PlistValue::Dictionary& definition)
{
    // A key of the wrong type counts as missing and leaves the default.
    keywordsCaseSensitive_ = boolValue(definition, "keywordsCaseSensitive");
    recolourKeywordIfAlreadyColoured_ = boolValue(definition, "recolourKeywordIfAlreadyColoured");
    if (const auto it = definition.find("keywords"); it != definition.end()) {
        for (const PlistValue& keyword : it->second.asArray()) {
            if (!keyword.isString()) continue;
            std::u16string word = utf8ToUtf16(keyword.asString());
            if (!keywordsCaseSensitive_) lowercaseInPlace(word);
            longestKeyword_ = std::max(longestKeyword_, word.size());
            keywords_.insert(std::move(word));
        }
    }
    beginCommand_ = stringValue(definition, "beginCommand");
    endCommand_ = stringValue(definition, "endCommand");
    beginInstruction_ = stringValue(definition, "beginInstruction");
    endInstruction_ = stringValue(definition, "endInstruction");
    beginVariable_ = NSCharacterSet::characterSetWithCharactersInString(stringValue(definition, "beginVariable"));
    endVariable_ = NSCharacterSet::characterSetWithCharactersInString(stringValue(definition, "endVariable"));
    firstString_ = stringValue(definition, "firstString");
    secondString_ = stringValue(definition, "secondString");
    firstSingleLineComment_ = stringValue(definition, "firstSingleLineComment");
    secondSingleLineComment_ = stringValue(definition, "secondSingleLineComment");
    beginFirstMultiLineComment_ = stringValue(definition, "beginFirstMultiLineComment");
    endFirstMultiLineComment_ = stringValue(definition, "endFirstMultiLineComment");
    beginSecondMultiLineComment_ = stringValue(definition, "beginSecondMultiLineComment");
    endSecondMultiLineComment_ = stringValue(definition, "endSecondMultiLineComment");

    // Removals first, then additions, each on the set the previous edit left.
    keywordStartCharacterSet_.removeCharactersInString(stringValue(definition, "excludeFromKeywordStartCharacterSet"));
    keywordEndCharacterSet_.removeCharactersInString(stringValue(definition, "excludeFromKeywordEndCharacterSet"));
    keywordStartCharacterSet_.addCharactersInString(stringValue(definition, "includeInKeywordStartCharacterSet"));
    keywordEndCharacterSet_.addCharactersInString(stringValue(definition, "includeInKeywordEndCharacterSet"));
}

std::unique_ptr<StringLiteralPattern> SyntaxColouring::stringPatternForQuote(const std::u16string& quote, const char* kind) const
{
    // The pattern buffer ends at its first U+0000: such a quote would leave a pattern that
    // matches any non-word character.
    if (quote.find(u'\0') != std::u16string::npos) {
        NSLogf("The %s string mark holds a NUL character; %s strings are not coloured", kind, kind);
        return nullptr;
    }
    // Put in as it stands, a mark such as "]" or "^" would break the pattern or change its
    // meaning; escaped, every mark is the literal character, and plain quotes match as before.
    if (quote.find_first_of(kPatternSpecialCharacters) != std::u16string::npos)
        NSLogf("The %s string mark \"%s\" is special in patterns; it is read literally", kind, utf16ToUtf8(quote).c_str());
    try {
        return std::make_unique<StringLiteralPattern>(quote);
    } catch (const NamedException& failure) {
        NSLogf("The %s string mark \"%s\" cannot be used (%s); %s strings are not coloured", kind, utf16ToUtf8(quote).c_str(),
            failure.reason().c_str(), kind);
    }
    return nullptr;
}

void SyntaxColouring::prepareRegularExpressions()
{
    firstStringPattern_ = stringPatternForQuote(firstString_, "first");
    secondStringPattern_ = stringPatternForQuote(secondString_, "second");
}

// ---- Recolouring -------------------------------------------------------------------------------

bool SyntaxColouring::isColouredAs(SyntaxColouringDelegate* view, NSUInteger index, const NSAttributeDictionaryRef& colour) const
{
    if (!view) return false;
    const NSAttributeDictionaryRef attributes = view->temporaryAttributesAtCharacterIndex(index, nullptr);
    return attributes && NSAttributeDictionaryEqual(attributes, colour);
}

void SyntaxColouring::recolourRange(NSRange range)
{
    if (!reactToChanges_) return;
    const std::time_t startTime = std::time(nullptr);
    const auto logElapsed = [startTime] {
        NSLogf("Syntax-colored in %lu !", static_cast<unsigned long>(std::max<std::time_t>(0, std::time(nullptr) - startTime)));
    };

    const NSUInteger completeLength = completeString_->size();
    if (range.location >= completeLength) return;
    if (range.length > completeLength - range.location) return;
    if (range.length == 0) return;

    auto search = (range.location == 0 && range.length == completeLength)
        ? completeString_
        : std::make_shared<const std::u16string>(completeString_->substr(range.location, range.length));
    Pass pass(textView_.lock(), range, completeString_, std::move(search));

    try {
        removeColoursFromRange(range);
        setStandardsInRange(range);
        colourCommands(pass);
        colourInstructions(pass);
        colourKeywords(pass);
        colourVariables(pass);
        colourSecondStrings(pass);
        colourFirstStrings(pass);
        colourAttributes(pass);
        colourSingleLineComments(pass, firstSingleLineComment_, true);
        colourSingleLineComments(pass, secondSingleLineComment_, false);
        colourMultiLineComments(pass, beginFirstMultiLineComment_, endFirstMultiLineComment_, true);
        colourMultiLineComments(pass, beginSecondMultiLineComment_, endSecondMultiLineComment_, false);
        recolourSecondStrings(pass);
    } catch (const SilentEnd&) {
        return;
    } catch (const NamedException& failure) {
        NSLog(failure.reason());
        logElapsed();
        return;
    } catch (const std::exception& failure) {
        NSLog(failure.what());
        logElapsed();
        return;
    }
    logElapsed();
}

// Commands: from a begin marker through its matching end character on the same line.
void SyntaxColouring::colourCommands(Pass& pass)
{
    if (beginCommand_.empty()) return;
    const std::u16string& text = pass.search();
    const NSUInteger searchSyntaxLength = endCommand_.size();
    const char16_t beginCommandCharacter = beginCommand_.front();
    const char16_t endCommandCharacter = endCommand_.empty() ? 0 : endCommand_.front();
    // The scanner ignores case when it looks for a marker; so does the finder.
    ForwardStringFinder endFinder(text, endCommand_, markerSearchOptions(endCommand_));
    NSScanner& scanner = pass.scanner;
    scanner.setScanLocation(0);
    while (!scanner.isAtEnd()) {
        (void)scanUpToMarker(scanner, beginCommand_);
        const NSUInteger beginning = scanner.scanLocation();
        const NSUInteger endOfLine = pass.lines.lineEnd(beginning);
        // Scanning up to the end marker passes characters only when it does not stand here.
        const NSUInteger endMarker = endFinder.next(beginning);
        if (endMarker == NSNotFound || endMarker == beginning || endMarker >= endOfLine) {
            scanner.setScanLocation(endOfLine);
            continue;
        }
        NSUInteger commandLocation = beginning + 1;
        NSUInteger skipEndCommand = 0;
        while (commandLocation < endOfLine) {
            const char16_t commandCharacterTest = text[commandLocation];
            if (commandCharacterTest == endCommandCharacter) {
                if (skipEndCommand == 0) break;
                --skipEndCommand;
            }
            if (commandCharacterTest == beginCommandCharacter) ++skipEndCommand;
            ++commandLocation;
        }
        // Only the first unit of a longer end marker is counted, so it may not fit: stop at the end.
        const NSUInteger location = commandLocation < endOfLine
            ? std::min(commandLocation + searchSyntaxLength, pass.searchStringLength)
            : endOfLine;
        scanner.setScanLocation(location);
        setColour(commandsColour_, NSRange { pass.rangeLocation + beginning, location - beginning });
    }
}

// Where a multi-line search starts: at a begin marker before the range that no end marker
// closed before it, else at the range.
NSUInteger SyntaxColouring::multiLineWindowStart(const Pass& pass, const std::u16string& beginMarker,
                                                 const std::u16string& endMarker) const
{
    const NSRange before { 0, pass.rangeLocation };
    const NSUInteger begin = rangeOfString(pass.complete(), beginMarker, NSBackwardsSearch, before).location;
    const NSUInteger end = endMarker.empty() ? NSNotFound : rangeOfString(pass.complete(), endMarker, NSBackwardsSearch, before).location;
    if (begin == NSNotFound || (end != NSNotFound && end > begin)) return pass.rangeLocation;
    return begin;
}

// Instructions: from a begin marker through its end marker, across lines.
void SyntaxColouring::colourInstructions(Pass& pass)
{
    if (beginInstruction_.empty()) return;
    const std::u16string& text = pass.complete();
    const NSUInteger length = pass.completeStringLength;
    NSUInteger beginLocationInMultiLine = multiLineWindowStart(pass, beginInstruction_, endInstruction_);
    const NSUInteger searchSyntaxLength = endInstruction_.size();
    NSScanner& scanner = pass.completeDocumentScanner;
    while (!scanner.isAtEnd()) {
        const NSRange searchRange { beginLocationInMultiLine, std::min(pass.rangeLength, length - beginLocationInMultiLine) };
        const NSUInteger beginning = rangeOfString(text, beginInstruction_, NSLiteralSearch, searchRange).location;
        if (beginning == NSNotFound) break;
        scanner.setScanLocation(beginning);
        NSUInteger location = length;
        // The end marker is looked for from the begin marker itself.
        if (scanUpToMarker(scanner, endInstruction_) && scanner.scanLocation() < length) {
            location = scanner.scanLocation();
            if (location + searchSyntaxLength <= length) location += searchSyntaxLength;
        }
        scanner.setScanLocation(location);
        setColour(instructionsColour_, NSRange { beginning, location - beginning });
        if (location > pass.maxRange) break;
        beginLocationInMultiLine = location;
    }
}

// Keywords: words from a start character up to an end character that stand in the keyword set.
void SyntaxColouring::colourKeywords(Pass& pass)
{
    if (keywords_.empty()) return;

    const std::u16string& text = pass.complete();
    NSScanner& scanner = pass.scanner;
    scanner.setScanLocation(0);
    std::u16string keywordTestString;
    while (!scanner.isAtEnd()) {
        (void)scanner.scanUpToCharactersFromSet(keywordStartCharacterSet_);
        const NSUInteger beginning = scanner.scanLocation();
        // The first character is never tested against the end set.
        if (beginning + 1 < pass.searchStringLength) scanner.setScanLocation(beginning + 1);
        (void)scanner.scanUpToCharactersFromSet(keywordEndCharacterSet_);
        const NSUInteger end = scanner.scanLocation();
        if (end > pass.searchStringLength || end == beginning) break;
        // Lowercasing never shortens a word, so a longer word cannot be a keyword.
        if (end - beginning > longestKeyword_) continue;
        keywordTestString.assign(text, pass.rangeLocation + beginning, end - beginning);
        if (!keywordsCaseSensitive_) lowercaseInPlace(keywordTestString);
        if (!keywords_.contains(keywordTestString)) continue;
        if (!recolourKeywordIfAlreadyColoured_ && isColouredAs(pass.view.get(), pass.rangeLocation + beginning, commandsColour_))
            continue;
        setColour(keywordsColour_, NSRange { pass.rangeLocation + beginning, end - beginning });
    }
}

// Variables: from a begin character up to an end character on the same line.
void SyntaxColouring::colourVariables(Pass& pass)
{
    const std::u16string& text = pass.search();
    const NSUInteger length = pass.searchStringLength;
    const bool percentComments = firstSingleLineComment_ == u"%";
    ForwardSetFinder endFinder(text, endVariable_);
    NSScanner& scanner = pass.scanner;
    scanner.setScanLocation(0);
    while (!scanner.isAtEnd()) {
        (void)scanner.scanUpToCharactersFromSet(beginVariable_);
        const NSUInteger beginning = scanner.scanLocation();
        // "%%name": the second "%" starts the variable.
        if (beginning + 1 < length && percentComments && text[beginning + 1] == u'%') {
            scanner.setScanLocation(beginning + 1);
            continue;
        }
        const NSUInteger endOfLine = pass.lines.lineEnd(beginning);
        // Scanning up to the end set finds something only when it passes a character.
        const NSUInteger endCharacter = endFinder.next(beginning);
        NSUInteger variableLength = 0;
        if (endCharacter != beginning && endCharacter < endOfLine) {
            variableLength = endCharacter - beginning;
            scanner.setScanLocation(endCharacter + 1); // the end character is not coloured
        } else {
            scanner.setScanLocation(endOfLine);
            variableLength = endOfLine - beginning;
        }
        setColour(variablesColour_, NSRange { pass.rangeLocation + beginning, variableLength });
    }
}

// Strings of the second kind: the match starts one character before the opening quote.
void SyntaxColouring::colourSecondStrings(Pass& pass)
{
    if (secondString_.empty() || !secondStringPattern_) return;
    try {
        pass.secondStringMatcher = std::make_unique<StringLiteralMatcher>(*secondStringPattern_, pass.search());
    } catch (...) {
        throw SilentEnd {};
    }
    while (pass.secondStringMatcher->findNext()) {
        const NSRange foundRange = pass.secondStringMatcher->rangeOfMatch();
        setColour(stringsColour_, NSRange { pass.rangeLocation + foundRange.location + 1, foundRange.length - 1 });
    }
}

// Strings of the first kind, except where the character before the quote is already a string.
void SyntaxColouring::colourFirstStrings(Pass& pass)
{
    if (firstString_.empty() || !firstStringPattern_) return;
    try {
        pass.firstStringMatcher = std::make_unique<StringLiteralMatcher>(*firstStringPattern_, pass.search());
    } catch (...) {
        throw SilentEnd {};
    }
    while (pass.firstStringMatcher->findNext()) {
        const NSRange foundRange = pass.firstStringMatcher->rangeOfMatch();
        if (isColouredAs(pass.view.get(), pass.rangeLocation + foundRange.location, stringsColour_)) continue;
        setColour(stringsColour_, NSRange { pass.rangeLocation + foundRange.location + 1, foundRange.length - 1 });
    }
}

// Attributes: " name=" inside a command, the leading space included and the "=" not.
void SyntaxColouring::colourAttributes(Pass& pass)
{
    const std::u16string& text = pass.complete();
    NSScanner& scanner = pass.scanner;
    scanner.setScanLocation(0);
    while (!scanner.isAtEnd()) {
        (void)scanUpToMarker(scanner, u" ");
        const NSUInteger beginning = scanner.scanLocation();
        if (beginning + 1 >= pass.searchStringLength) break;
        scanner.setScanLocation(beginning + 1);
        if (!isColouredAs(pass.view.get(), pass.rangeLocation + beginning, commandsColour_)) continue;
        (void)scanner.scanCharactersFromSet(attributesCharacterSet_);
        const NSUInteger end = scanner.scanLocation();
        if (end + 1 < pass.searchStringLength) scanner.setScanLocation(end + 1);
        if (pass.rangeLocation + end < pass.completeStringLength && text[pass.rangeLocation + end] == u'=')
            setColour(attributesColour_, NSRange { pass.rangeLocation + beginning, end - beginning });
    }
}

// Single-line comments: from the marker to the end of its line, terminator included.
void SyntaxColouring::colourSingleLineComments(Pass& pass, const std::u16string& marker, bool percentRule)
{
    if (marker.empty()) return;
    const std::u16string& text = pass.search();
    const NSUInteger length = pass.searchStringLength;
    const NSUInteger searchSyntaxLength = marker.size();
    const bool slashRule = marker == u"//";
    const bool hashRule = marker == u"#" && length >= 2;
    const bool backslashRule = percentRule && marker == u"%" && length >= 2;
    NSRange hashLine = NSRangeNotFound;
    bool hashLineHasBang = false;

    NSScanner& scanner = pass.scanner;
    scanner.setScanLocation(0);
    while (!scanner.isAtEnd()) {
        (void)scanUpToMarker(scanner, marker);
        const NSUInteger beginning = scanner.scanLocation();
        // No marker is left. Going on would skip past the end of the text when it ends in ":",
        // "$", "&" or a backslash, and the failure would end the whole recolouring.
        if (beginning >= length) break;
        const auto skip = [&] { scanner.setScanLocation(beginning + 1); };
        if (slashRule && beginning > 0 && text[beginning - 1] == u':') {
            skip();
            continue;
        }
        if (hashRule) {
            const NSRange rangeOfLine = pass.lines.lineOf(beginning);
            if (rangeOfLine != hashLine) {
                hashLine = rangeOfLine;
                hashLineHasBang = rangeOfString(text, u"#!", NSLiteralSearch, rangeOfLine).location != NSNotFound;
            }
            if (hashLineHasBang) {
                scanner.setScanLocation(rangeOfLine.max());
                continue;
            }
            if (beginning > 0 && (text[beginning - 1] == u'$' || text[beginning - 1] == u'&')) {
                skip();
                continue;
            }
        }
        if (backslashRule && beginning > 0 && text[beginning - 1] == u'\\') {
            skip();
            continue;
        }
        if (pass.rangeLocation + beginning + searchSyntaxLength < pass.completeStringLength
            && isColouredAs(pass.view.get(), pass.rangeLocation + beginning, stringsColour_)) {
            skip();
            continue;
        }
        const NSUInteger endOfLine = pass.lines.lineEnd(beginning);
        scanner.setScanLocation(endOfLine);
        setColour(commentsColour_, NSRange { pass.rangeLocation + beginning, endOfLine - beginning });
    }
}

// Multi-line comments: from the begin marker through the end marker, across lines; an unclosed
// one runs to the end of the text. With the end marker "-->" a comment directly before
// "</script>" or "</style>" is left alone (it hides script or style text from old browsers).
void SyntaxColouring::colourMultiLineComments(Pass& pass, const std::u16string& beginMarker,
                                              const std::u16string& endMarker, bool searchBackwards)
{
    if (beginMarker.empty()) return;
    const std::u16string& text = pass.complete();
    const NSUInteger length = pass.completeStringLength;
    const NSUInteger searchSyntaxLength = endMarker.size();
    const bool scriptRule = endMarker == u"-->";
    NSUInteger beginLocationInMultiLine = searchBackwards ? multiLineWindowStart(pass, beginMarker, endMarker)
                                                          : pass.rangeLocation;
    // The letter after each "-->": a text without letters must not be scanned to its end per comment.
    ForwardSetFinder letterFinder(text, letterCharacterSet_);
    NSScanner& scanner = pass.completeDocumentScanner;
    scanner.setScanLocation(beginLocationInMultiLine);
    while (!scanner.isAtEnd()) {
        const NSRange searchRange { beginLocationInMultiLine, std::min(pass.rangeLength, length - beginLocationInMultiLine) };
        const NSUInteger beginning = rangeOfString(text, beginMarker, NSLiteralSearch, searchRange).location;
        if (beginning == NSNotFound) break;
        scanner.setScanLocation(beginning);
        if (beginning + 1 < length && isColouredAs(pass.view.get(), beginning, stringsColour_)) {
            // The marker stands inside a string.
            scanner.setScanLocation(beginning + 1);
            beginLocationInMultiLine = beginning + 1;
            continue;
        }
        NSUInteger commentLength = 0;
        if (scanUpToMarker(scanner, endMarker) && scanner.scanLocation() < length) {
            NSUInteger location = scanner.scanLocation();
            if (location + searchSyntaxLength <= length) location += searchSyntaxLength;
            scanner.setScanLocation(location);
            commentLength = location - beginning;
            if (scriptRule) {
                const NSUInteger letter = letterFinder.next(scanner.scanLocation());
                scanner.setScanLocation(letter);
                if (letter + 6 < length && letter >= 2
                    && (equalsIgnoringCase(text, letter - 2, u"</script>") || equalsIgnoringCase(text, letter - 2, u"</style>"))) {
                    beginLocationInMultiLine = letter;
                    continue;
                }
                scanner.setScanLocation(beginning + commentLength);
            }
        } else {
            scanner.setScanLocation(length);
            commentLength = length - beginning;
        }
        setColour(commentsColour_, NSRange { beginning, commentLength });
        if (scanner.scanLocation() > pass.maxRange) break;
        beginLocationInMultiLine = scanner.scanLocation();
    }
}

// Second-kind strings again, restoring those a later pass overwrote, except inside comments
// and directly after another string.
void SyntaxColouring::recolourSecondStrings(Pass& pass)
{
    if (secondString_.empty() || !pass.secondStringMatcher) return;
    try {
        pass.secondStringMatcher->reset();
    } catch (...) {
        throw SilentEnd {};
    }
    while (pass.secondStringMatcher->findNext()) {
        const NSRange foundRange = pass.secondStringMatcher->rangeOfMatch();
        const NSUInteger before = pass.rangeLocation + foundRange.location;
        // One read for both tests.
        const NSAttributeDictionaryRef attributes
            = pass.view ? pass.view->temporaryAttributesAtCharacterIndex(before, nullptr) : NSAttributeDictionaryRef {};
        if (attributes
            && (NSAttributeDictionaryEqual(attributes, stringsColour_) || NSAttributeDictionaryEqual(attributes, commentsColour_)))
            continue;
        setColour(stringsColour_, NSRange { before + 1, foundRange.length - 1 });
    }
}

#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>

#include "Classes/SyntaxColouring/SyntaxColouringDelegate.h"
#include "Platform/CoreText/CTFont.h"
#include "Platform/Foundation/NSAttributedString.h"
#include "Platform/Foundation/NSCharacterSet.h"
#include "Platform/Foundation/NSObject.h"
#include "Platform/Foundation/NSPropertyList.h"
#include "Platform/Foundation/NSString.h"

class NSScanner;
class StringLiteralMatcher;
class StringLiteralPattern;

// The colouring engine of the editor: picks a syntax definition for a file name, then colours
// a text by commands, instructions, keywords, variables, strings, attributes and comments,
// writing colour records onto its text view through SyntaxColouringDelegate.
//
// Set-up order: construct, setFont, setSyntaxDefinition, setTextView; then for every change
// setCompleteString and recolourRange over the whole text. Main thread only.
class SyntaxColouring : public NSObject {
public:
    // Bundle list of definitions and the folder of the per-language files.
    static constexpr const char* kDefinitionListName = "SyntaxDefinitions";
    static constexpr const char* kDefinitionDirectory = "Syntax Definitions";
    static constexpr const char* kDefaultFontName = "Droid Sans Mono";
    static constexpr double kDefaultFontSize = 14.0;

    SyntaxColouring();
    explicit SyntaxColouring(std::u16string text);
    ~SyntaxColouring() override;

    [[nodiscard]] const CTFontRef& font() const { return font_; }
    // Rebuilds every colour record with the font (colours already written keep the old one).
    void setFont(CTFontRef font);
    // Builds the colour records with the current font (the default one when none is set).
    void setColours();

    // Chooses the definition for the file name by its extension, loads it and compiles the
    // string patterns. A missing or broken list or definition leaves plain text (font only).
    void setSyntaxDefinition(const std::string& fileName);
    // Compiles the two string patterns from the quote marks.
    void prepareRegularExpressions();

    // Colour records are applied through the text view; without one nothing is written.
    void setColour(const NSAttributeDictionaryRef& colour, NSRange range);
    void removeColoursFromRange(NSRange range);
    void setStandardsInRange(NSRange range);

    // Colours the range of completeString (passes in a fixed order; see the .cpp). Any failure
    // ends the recolouring and keeps the colours already written.
    void recolourRange(NSRange range);

    // Not owned: the text view owns the engine.
    [[nodiscard]] std::shared_ptr<SyntaxColouringDelegate> textView() const { return textView_.lock(); }
    void setTextView(const std::shared_ptr<SyntaxColouringDelegate>& textView) { textView_ = textView; }

    [[nodiscard]] const std::u16string& completeString() const { return *completeString_; }
    void setCompleteString(std::u16string text);

    [[nodiscard]] bool reactToChanges() const { return reactToChanges_; }
    void setReactToChanges(bool react) { reactToChanges_ = react; }

    // The loaded definition, read by tests and the editor.
    [[nodiscard]] const std::string& definitionName() const { return definitionName_; }
    [[nodiscard]] const std::unordered_set<std::u16string>& keywords() const { return keywords_; }
    [[nodiscard]] const NSCharacterSet& keywordStartCharacterSet() const { return keywordStartCharacterSet_; }
    [[nodiscard]] const NSCharacterSet& keywordEndCharacterSet() const { return keywordEndCharacterSet_; }
    [[nodiscard]] const NSCharacterSet& attributesCharacterSet() const { return attributesCharacterSet_; }
    [[nodiscard]] bool hasFirstStringPattern() const { return firstStringPattern_ != nullptr; }
    [[nodiscard]] bool hasSecondStringPattern() const { return secondStringPattern_ != nullptr; }

    // Colour records.
    [[nodiscard]] const NSAttributeDictionaryRef& commandsColour() const { return commandsColour_; }
    [[nodiscard]] const NSAttributeDictionaryRef& commentsColour() const { return commentsColour_; }
    [[nodiscard]] const NSAttributeDictionaryRef& instructionsColour() const { return instructionsColour_; }
    [[nodiscard]] const NSAttributeDictionaryRef& keywordsColour() const { return keywordsColour_; }
    [[nodiscard]] const NSAttributeDictionaryRef& stringsColour() const { return stringsColour_; }
    [[nodiscard]] const NSAttributeDictionaryRef& variablesColour() const { return variablesColour_; }
    [[nodiscard]] const NSAttributeDictionaryRef& attributesColour() const { return attributesColour_; }
    [[nodiscard]] const NSAttributeDictionaryRef& standardColour() const { return standardColour_; }

private:
    struct Pass; // the working state of one recolouring

    void buildCharacterSets();
    void resetDefinition();
    void loadDefinition(const PlistValue::Dictionary& definition);
    // The pattern for one quote mark, or null (the kind switched off) when it cannot compile.
    [[nodiscard]] std::unique_ptr<StringLiteralPattern> stringPatternForQuote(const std::u16string& quote, const char* kind) const;
    [[nodiscard]] bool isColouredAs(SyntaxColouringDelegate* view, NSUInteger index, const NSAttributeDictionaryRef& colour) const;

    // The passes, in the order recolourRange runs them.
    void colourCommands(Pass& pass);
    void colourInstructions(Pass& pass);
    void colourKeywords(Pass& pass);
    void colourVariables(Pass& pass);
    void colourSecondStrings(Pass& pass);
    void colourFirstStrings(Pass& pass);
    void colourAttributes(Pass& pass);
    void colourSingleLineComments(Pass& pass, const std::u16string& marker, bool percentRule);
    void colourMultiLineComments(Pass& pass, const std::u16string& beginMarker, const std::u16string& endMarker,
                                 bool searchBackwards);
    void recolourSecondStrings(Pass& pass);
    [[nodiscard]] NSUInteger multiLineWindowStart(const Pass& pass, const std::u16string& beginMarker,
                                                  const std::u16string& endMarker) const;

    std::weak_ptr<SyntaxColouringDelegate> textView_;
    std::shared_ptr<const std::u16string> completeString_ { std::make_shared<const std::u16string>() };
    bool reactToChanges_ { true };
    CTFontRef font_;

    NSCharacterSet letterCharacterSet_;
    NSCharacterSet keywordStartCharacterSet_;
    NSCharacterSet keywordEndCharacterSet_;
    NSCharacterSet attributesCharacterSet_;

    NSAttributeDictionaryRef commandsColour_;
    NSAttributeDictionaryRef commentsColour_;
    NSAttributeDictionaryRef instructionsColour_;
    NSAttributeDictionaryRef keywordsColour_;
    NSAttributeDictionaryRef stringsColour_;
    NSAttributeDictionaryRef variablesColour_;
    NSAttributeDictionaryRef attributesColour_;
    NSAttributeDictionaryRef standardColour_;

    std::string definitionName_ { "standard" };
    std::unordered_set<std::u16string> keywords_;
    std::size_t longestKeyword_ { 0 }; // in UTF-16 units, kept with keywords_
    bool keywordsCaseSensitive_ { false };
    bool recolourKeywordIfAlreadyColoured_ { false };
    std::u16string beginCommand_;
    std::u16string endCommand_;
    std::u16string beginInstruction_;
    std::u16string endInstruction_;
    NSCharacterSet beginVariable_;
    NSCharacterSet endVariable_;
    std::u16string firstString_;
    std::u16string secondString_;
    std::u16string firstSingleLineComment_;
    std::u16string secondSingleLineComment_;
    std::u16string beginFirstMultiLineComment_;
    std::u16string endFirstMultiLineComment_;
    std::u16string beginSecondMultiLineComment_;
    std::u16string endSecondMultiLineComment_;

    std::unique_ptr<StringLiteralPattern> firstStringPattern_;
    std::unique_ptr<StringLiteralPattern> secondStringPattern_;
};

#pragma once

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Classes/SyntaxColouring/SyntaxColouring.h"
#include "Classes/SyntaxColouring/SyntaxColouringDelegate.h"
#include "Platform/Foundation/NSAttributedString.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSPropertyList.h"
#include "tests/support/LogCapture.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

// A stand-in for the code text view: keeps the coloured text as an attributed string and counts
// what the engine asks of it. `failAfter` makes the n-th call raise, as a broken view would.
class RecordingTextView : public SyntaxColouringDelegate {
public:
    explicit RecordingTextView(std::u16string text);

    void setTemporaryAttributesForCharacterRange(const NSAttributeDictionaryRef& attributes, NSRange range) override;
    void removeTemporaryAttributeForCharacterRange(std::string_view name, NSRange range) override;
    NSAttributeDictionaryRef temporaryAttributesAtCharacterIndex(NSUInteger index, NSRange* effectiveRange) override;

    // Was this record written over exactly this range?
    bool wrote(const NSAttributeDictionaryRef& record, NSRange range) const;

    NSMutableAttributedString text;
    std::vector<std::pair<NSAttributeDictionaryRef, NSRange>> writes;
    int sets { 0 };
    int removes { 0 };
    int reads { 0 };
    std::optional<int> failAfter;

private:
    void countCall();
    int calls_ { 0 };
};

// One letter per character telling which record it carries: C commands, I instructions,
// K keywords, V variables, S strings, A attributes, M comments, '.' the standard record (font
// only), '?' anything else (the text as it was before colouring).
std::string colourCodes(const SyntaxColouring& engine, const NSAttributedString& text);

// Colours the text with the engine over the whole range and answers the codes.
std::string colourText(SyntaxColouring& engine, const std::u16string& text);

// A bundle in a temporary folder with a definition list and definitions; made the main bundle
// while it lives (the real bundle comes back afterwards).
class TemporaryBundle {
public:
    TemporaryBundle();
    ~TemporaryBundle();
    TemporaryBundle(const TemporaryBundle&) = delete;
    TemporaryBundle& operator=(const TemporaryBundle&) = delete;

    std::filesystem::path path() const { return dir_.path(); }
    void writeList(const PlistValue::Array& list) const;
    void writeDefinition(const std::string& name, const PlistValue::Dictionary& definition) const;
    // Raw bytes, for broken files; `relative` is inside the bundle.
    void writeFile(const std::string& relative, const std::string& bytes) const;

private:
    TempDir dir_ { "colouring-bundle" };
    std::optional<ScopedEnv> bundleEnv_;
};

// An engine set up with one definition under the extension "test" of a temporary bundle.
struct DefinitionEngine {
    explicit DefinitionEngine(const PlistValue::Dictionary& definition);
    TemporaryBundle bundle;
    std::unique_ptr<SyntaxColouring> engine;
    std::string colour(const std::u16string& text) const { return colourText(*engine, text); }
};

// The repository's own bundle folder.
std::string realBundlePath();

#include "tests/colouring/ColouringTestSupport.h"

#include <fstream>

#include <gtest/gtest.h>

#include "Platform/CoreGraphics/CGColor.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSException.h"

RecordingTextView::RecordingTextView(std::u16string initial)
    : text(std::move(initial),
          NSAttributeDictionary { { kCTForegroundColorAttributeName, CGColorCreateRGBA(0, 0, 0, 1) } })
{
}

void RecordingTextView::countCall()
{
    if (failAfter && calls_ >= *failAfter) throw NamedException("NSInternalInconsistencyException", "view refused");
    ++calls_;
}

void RecordingTextView::setTemporaryAttributesForCharacterRange(const NSAttributeDictionaryRef& attributes, NSRange range)
{
    countCall();
    ++sets;
    writes.emplace_back(attributes, range);
    text.setAttributes(attributes, range);
}

bool RecordingTextView::wrote(const NSAttributeDictionaryRef& record, NSRange range) const
{
    for (const auto& [written, where] : writes)
        if (where == range && NSAttributeDictionaryEqual(written, record)) return true;
    return false;
}

void RecordingTextView::removeTemporaryAttributeForCharacterRange(std::string_view name, NSRange range)
{
    countCall();
    ++removes;
    text.removeAttribute(name, range);
}

NSAttributeDictionaryRef RecordingTextView::temporaryAttributesAtCharacterIndex(NSUInteger index, NSRange* effectiveRange)
{
    countCall();
    ++reads;
    return text.attributesRefAtIndex(index, effectiveRange);
}

std::string colourCodes(const SyntaxColouring& engine, const NSAttributedString& text)
{
    const std::pair<char, NSAttributeDictionaryRef> records[] = {
        { 'C', engine.commandsColour() }, { 'I', engine.instructionsColour() }, { 'K', engine.keywordsColour() },
        { 'V', engine.variablesColour() }, { 'S', engine.stringsColour() }, { 'A', engine.attributesColour() },
        { 'M', engine.commentsColour() }, { '.', engine.standardColour() },
    };
    std::string codes;
    for (NSUInteger i = 0; i < text.length(); ++i) {
        const auto attributes = text.attributesRefAtIndex(i, nullptr);
        char code = '?';
        for (const auto& [letter, record] : records) {
            if (NSAttributeDictionaryEqual(attributes, record)) {
                code = letter;
                break;
            }
        }
        codes += code;
    }
    return codes;
}

std::string colourText(SyntaxColouring& engine, const std::u16string& text)
{
    auto view = std::make_shared<RecordingTextView>(text);
    engine.setTextView(view);
    engine.setCompleteString(text);
    engine.recolourRange(NSRange { 0, text.size() });
    return colourCodes(engine, view->text);
}

std::string realBundlePath()
{
    if (const char* bundle = std::getenv("LEXIPHANT_BUNDLE")) return bundle;
#ifdef LEXIPHANT_SOURCE_DIR
    return std::string(LEXIPHANT_SOURCE_DIR) + "/Resources";
#else
    return "Resources";
#endif
}

TemporaryBundle::TemporaryBundle()
{
    std::filesystem::create_directories(path() / "Syntax Definitions");
    bundleEnv_.emplace("LEXIPHANT_BUNDLE", dir_.path());
    NSBundle::resetMainBundleForTesting();
}

TemporaryBundle::~TemporaryBundle()
{
    // The old bundle setting comes back before the main bundle is forgotten; the folder goes last.
    bundleEnv_.reset();
    NSBundle::resetMainBundleForTesting();
}

void TemporaryBundle::writeList(const PlistValue::Array& list) const
{
    const auto bytes = NSPropertyListSerialization::dataWithPropertyList(PlistValue(list));
    ASSERT_TRUE(bytes.has_value());
    writeFile("SyntaxDefinitions.plist", *bytes);
}

void TemporaryBundle::writeDefinition(const std::string& name, const PlistValue::Dictionary& definition) const
{
    const auto bytes = NSPropertyListSerialization::dataWithPropertyList(PlistValue(definition));
    ASSERT_TRUE(bytes.has_value());
    writeFile("Syntax Definitions/" + name + ".plist", *bytes);
}

void TemporaryBundle::writeFile(const std::string& relative, const std::string& bytes) const
{
    std::ofstream out(path() / relative, std::ios::binary);
    out << bytes;
}

DefinitionEngine::DefinitionEngine(const PlistValue::Dictionary& definition)
{
    bundle.writeList({ PlistValue::Dictionary { { "name", "Test" }, { "file", "test" }, { "extensions", "test" } } });
    bundle.writeDefinition("test", definition);
    engine = std::make_unique<SyntaxColouring>();
    engine->setSyntaxDefinition("file.test");
}

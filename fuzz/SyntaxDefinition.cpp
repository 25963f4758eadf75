// Property-list bytes as a syntax definition: the engine loads them from a bundle, sets up its
// sets and string patterns, and recolours a fixed text that touches every pass.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

#include "Classes/SyntaxColouring/SyntaxColouring.h"
#include "Classes/SyntaxColouring/SyntaxColouringDelegate.h"
#include "Platform/Foundation/NSAttributedString.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSLog.h"

namespace {

class AttributedTextView : public SyntaxColouringDelegate {
public:
    explicit AttributedTextView(const std::u16string& text) : text(text) { }
    void setTemporaryAttributesForCharacterRange(const NSAttributeDictionaryRef& attributes, NSRange range) override
    {
        text.setAttributes(attributes, range);
    }
    void removeTemporaryAttributeForCharacterRange(std::string_view name, NSRange range) override
    {
        text.removeAttribute(name, range);
    }
    NSAttributeDictionaryRef temporaryAttributesAtCharacterIndex(NSUInteger index, NSRange* effectiveRange) override
    {
        return text.attributesRefAtIndex(index, effectiveRange);
    }
    NSMutableAttributedString text;
};

const std::u16string kText = u"#!/bin/x\n<a href=\"x\" b='y'>$v %%w &amp; if IF</a> // c: d\n"
                             u"<? ins ?> <!-- m --></script> /* n */ \\% 'q' \"r\\\"\" $#&# %x\n"
                             u"\u00e9\u0130 \U0001F600 <<>> ]]> =pod =cut {- -} ''' \"\"\" ~ :";

std::filesystem::path& bundlePath()
{
    static std::filesystem::path path;
    return path;
}

void removeBundle()
{
    std::error_code ignored;
    std::filesystem::remove_all(bundlePath(), ignored);
}

void makeBundle()
{
    char pattern[] = "/tmp/colouring-fuzz-XXXXXX";
    if (!::mkdtemp(pattern)) std::abort();
    bundlePath() = pattern;
    std::filesystem::create_directories(bundlePath() / "Syntax Definitions");
    std::ofstream(bundlePath() / "SyntaxDefinitions.plist")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><array><dict>"
           "<key>name</key><string>Fuzz</string><key>file</key><string>fuzz</string>"
           "<key>extensions</key><string>fuzz</string></dict></array></plist>";
    ::setenv("LEXIPHANT_BUNDLE", bundlePath().c_str(), 1);
    NSBundle::resetMainBundleForTesting();
    NSLogSetSink([](const std::string&) { });
    std::atexit(removeBundle);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = (makeBundle(), true);
    (void)ready;
    {
        std::ofstream out(bundlePath() / "Syntax Definitions" / "fuzz.plist", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    SyntaxColouring engine;
    engine.setSyntaxDefinition("sample.fuzz");
    auto view = std::make_shared<AttributedTextView>(kText);
    engine.setTextView(view);
    engine.setCompleteString(kText);
    engine.recolourRange(NSRange { 0, kText.size() });
    // A part of the text as well: the windows and backward searches.
    engine.recolourRange(NSRange { 20, 40 });
    if (view->text.length() != kText.size()) std::abort();
    return 0;
}

// Whole-text recolouring as the code view runs it after every keystroke: realistic files just
// under the 10240-byte colouring limit, pathological texts, and the growth with text size.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "Classes/SyntaxColouring/SyntaxColouring.h"
#include "Classes/SyntaxColouring/SyntaxColouringDelegate.h"
#include "Platform/Foundation/NSAttributedString.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSString.h"

namespace {

constexpr std::size_t kLargestColouredFile = 10239;

// The view side: the attributed string the code view colours.
class AttributedTextView : public SyntaxColouringDelegate {
public:
    explicit AttributedTextView(const std::u16string& text) : text_(text) { }
    void setTemporaryAttributesForCharacterRange(const NSAttributeDictionaryRef& attributes, NSRange range) override
    {
        text_.setAttributes(attributes, range);
    }
    void removeTemporaryAttributeForCharacterRange(std::string_view name, NSRange range) override
    {
        text_.removeAttribute(name, range);
    }
    NSAttributeDictionaryRef temporaryAttributesAtCharacterIndex(NSUInteger index, NSRange* effectiveRange) override
    {
        return text_.attributesRefAtIndex(index, effectiveRange);
    }
    std::size_t runs() const { return text_.runCount(); }

private:
    NSMutableAttributedString text_;
};

void useRepositoryBundle()
{
    static const bool done = [] {
        if (!std::getenv("LEXIPHANT_BUNDLE")) {
            const auto resources = std::filesystem::path(__FILE__).parent_path().parent_path() / "Resources";
            ::setenv("LEXIPHANT_BUNDLE", resources.c_str(), 1);
            NSBundle::resetMainBundleForTesting();
        }
        // One line per recolouring would measure the terminal.
        NSLogSetSink([](const std::string&) { });
        return true;
    }();
    (void)done;
}

std::u16string repeatTo(const std::string& header, const std::string& body, std::size_t bytes)
{
    std::string text = header;
    while (text.size() < bytes) text += body;
    text.resize(bytes);
    return utf8ToUtf16(text);
}

const char* const kHtmlHeader = R"(<!DOCTYPE html>
<html>
<head>
<title>Sample page &amp; test</title>
<style type="text/css">
/* layout */
body { margin: 0; font-family: "Helvetica", sans-serif; }
.nav a:hover { color: #336699; }
</style>
<script type="text/javascript">
<!--
function greet(name) {
  // say hello
  var message = 'Hello, ' + name + "!";
  if (name.length > 3) { alert(message); }
  return message;
}
-->
</script>
</head>
<body>
)";
const char* const kHtmlBody = R"(<div id="main" class="content">
  <p>Visit <a href="http://example.com/path?x=1&amp;y=2">our site</a> for more.</p>
  <!-- a comment -->
  <img src="logo.png" alt="Logo" width="120" height="40">
  <ul><li>One</li><li>Two &nbsp; items</li></ul>
  <p style="color: red" onclick="greet('you'); return false;">Click</p>
</div>
)";

const char* const kPhp = R"(<?php
// Fetch the items
$items = array('one', 'two', "three");
foreach ($items as $key => $value) {
    echo "<li class=\"item\">" . htmlspecialchars($value) . "</li>\n"; # inline
    if ($key % 2 == 0) { $count++; }
}
/* block comment */
function render($title, $body) {
    return sprintf('<h1>%s</h1><p>%s</p>', $title, $body);
}
?>
<div class="box"><?php echo $title; ?></div>
)";

const char* const kCss = R"(/* Screen styles */
body { margin: 0 auto; padding: 10px 20px; background-color: #fafafa; }
h1, h2 { font-family: "Georgia", serif; font-weight: bold; color: #333 !important; }
a:hover { text-decoration: underline; }
@media screen and (max-width: 600px) {
  .column { float: none; width: 100%; display: block; }
}
)";

const char* const kJs = R"(// Menu handling
function toggle(id) {
  var element = document.getElementById(id);
  if (element.style.display === 'none') {
    element.style.display = "block";
  } else {
    element.style.display = 'none'; /* hide */
  }
  return false;
}
var items = ["one", "two", 'three'];
for (var i = 0; i < items.length; i++) { console.log(items[i] + " \"quoted\""); }
)";

const char* const kPython = R"(#!/usr/bin/env python
# A small tool
import os, sys

def walk(path, depth=0):
    """List the files below path."""
    for name in os.listdir(path):
        full = os.path.join(path, name)  # joined
        if os.path.isdir(full) and depth < 3:
            walk(full, depth + 1)
        else:
            print('%s%s' % ("  " * depth, name))
)";

void recolour(benchmark::State& state, const char* fileName, std::u16string text)
{
    useRepositoryBundle();
    SyntaxColouring engine;
    engine.setSyntaxDefinition(fileName);
    auto view = std::make_shared<AttributedTextView>(text);
    engine.setTextView(view);
    engine.setCompleteString(text);
    for (auto _ : state) engine.recolourRange(NSRange { 0, text.size() });
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.counters["runs"] = static_cast<double>(view->runs());
}

} // namespace

BENCHMARK_CAPTURE(recolour, html10k, "index.html", repeatTo(kHtmlHeader, kHtmlBody, kLargestColouredFile))
    ->Name("BM_recolour/html10k")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(recolour, php10k, "index.php", repeatTo("", kPhp, kLargestColouredFile))
    ->Name("BM_recolour/php10k")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(recolour, css10k, "style.css", repeatTo("", kCss, kLargestColouredFile))
    ->Name("BM_recolour/css10k")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(recolour, js10k, "menu.js", repeatTo("", kJs, kLargestColouredFile))
    ->Name("BM_recolour/js10k")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(recolour, python10k, "tool.py", repeatTo("", kPython, kLargestColouredFile))
    ->Name("BM_recolour/python10k")->Unit(benchmark::kMicrosecond);

// Pathological texts.
BENCHMARK_CAPTURE(recolour, dollarHash, "index.php", repeatTo("", "$#", kLargestColouredFile))
    ->Name("BM_recolour/php_dollarHashLine10k")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(recolour, quotesHtml, "index.html", repeatTo("", "\"", kLargestColouredFile))
    ->Name("BM_recolour/html_quotes10k")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(recolour, quotesPhp, "index.php", repeatTo("", "'\"", kLargestColouredFile))
    ->Name("BM_recolour/php_quotes10k")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(recolour, lessThan, "index.html", repeatTo("", "<", kLargestColouredFile))
    ->Name("BM_recolour/html_lessThan10k")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(recolour, lessThanPhp, "index.php", repeatTo("", "<", kLargestColouredFile))
    ->Name("BM_recolour/php_lessThan10k")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(recolour, unclosedHtml, "index.html", repeatTo("<!--", " text <b>x</b> 'q' \"r\"\n", kLargestColouredFile))
    ->Name("BM_recolour/html_unclosedComment10k")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(recolour, unclosedCss, "style.css", repeatTo("/*", " color: red; /* x ", kLargestColouredFile))
    ->Name("BM_recolour/css_unclosedComment10k")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(recolour, commentOpeners, "index.html", repeatTo("", "<!--", kLargestColouredFile))
    ->Name("BM_recolour/html_commentOpeners10k")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(recolour, dollars, "index.php", repeatTo("", "$", kLargestColouredFile))
    ->Name("BM_recolour/php_dollars10k")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(recolour, keywordsOnly, "tool.py", repeatTo("", "if ", kLargestColouredFile))
    ->Name("BM_recolour/python_keywords10k")->Unit(benchmark::kMicrosecond);

// Growth with the size of the text.
BENCHMARK_CAPTURE(recolour, html1k, "index.html", repeatTo(kHtmlHeader, kHtmlBody, 1024))
    ->Name("BM_recolour/html1k")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(recolour, html5k, "index.html", repeatTo(kHtmlHeader, kHtmlBody, 5120))
    ->Name("BM_recolour/html5k")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(recolour, php1k, "index.php", repeatTo("", kPhp, 1024))
    ->Name("BM_recolour/php1k")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(recolour, php5k, "index.php", repeatTo("", kPhp, 5120))
    ->Name("BM_recolour/php5k")->Unit(benchmark::kMicrosecond);

// Strings with escaped quotes, open and closed, in several languages and with both quote kinds:
// typing an opening quote turns the rest of the file into such a string, at every keystroke.
namespace {

// Whole bodies only (a cut one could leave a backslash escaping the closing quote), then spaces.
std::u16string quoted(const std::string& header, const std::string& body, const std::string& closing, std::size_t bytes)
{
    std::string text = header;
    while (text.size() + body.size() + closing.size() <= bytes) text += body;
    text.resize(bytes - closing.size(), ' ');
    return utf8ToUtf16(text + closing);
}

const char* const kJsonBody = R"({\"name\": \"x\", \"list\": [1, 2], \"ok\": true}, )";

} // namespace

#define LEXIPHANT_QUOTED_CASE(label, file, header, body, closing)                                                     \
    BENCHMARK_CAPTURE(recolour, label##5k, file, quoted(header, body, closing, 5120))                                \
        ->Name("BM_recolour/" #label "5k")->Unit(benchmark::kMicrosecond);                                          \
    BENCHMARK_CAPTURE(recolour, label##10k, file, quoted(header, body, closing, kLargestColouredFile))               \
        ->Name("BM_recolour/" #label "10k")->Unit(benchmark::kMicrosecond)

LEXIPHANT_QUOTED_CASE(php_escapedDoubleOpen, "index.php", "<?php\n$a = \"", "\\\"", "");
LEXIPHANT_QUOTED_CASE(php_escapedDoubleClosed, "index.php", "<?php\n$a = \"", "\\\"", "\";\n");
LEXIPHANT_QUOTED_CASE(php_jsonSingleOpen, "index.php", "<?php\n$json = '", kJsonBody, "");
LEXIPHANT_QUOTED_CASE(php_jsonSingleClosed, "index.php", "<?php\n$json = '", kJsonBody, "';\n");
LEXIPHANT_QUOTED_CASE(js_itsSingleOpen, "menu.js", "var s = '", "it\\'s ", "");
LEXIPHANT_QUOTED_CASE(js_itsSingleClosed, "menu.js", "var s = '", "it\\'s ", "';\n");
LEXIPHANT_QUOTED_CASE(js_escapedDoubleLinesOpen, "menu.js", "var s = \"", "say \\\"hi\\\"\n", "");
LEXIPHANT_QUOTED_CASE(html_escapedDoubleOpen, "index.html", "<p title=\"", "a \\\" b ", "");
LEXIPHANT_QUOTED_CASE(html_escapedSingleOpen, "index.html", "<p title='", "a \\' b ", "");
LEXIPHANT_QUOTED_CASE(css_escapedDoubleOpen, "style.css", "a::after { content: \"", "\\\" ", "");
LEXIPHANT_QUOTED_CASE(python_escapedSingleOpen, "tool.py", "s = '", "don\\'t ", "");
LEXIPHANT_QUOTED_CASE(python_escapedDoubleClosed, "tool.py", "s = \"", "\\\"x\\\" ", "\"\n");
LEXIPHANT_QUOTED_CASE(perl_escapedDoubleOpen, "script.pl", "my $s = \"", "\\\"$x\\\" ", "");
LEXIPHANT_QUOTED_CASE(ruby_escapedSingleOpen, "app.rb", "s = '", "it\\'s ", "");
LEXIPHANT_QUOTED_CASE(xml_escapedDoubleOpen, "feed.xml", "<a b=\"", "\\\"", "");
LEXIPHANT_QUOTED_CASE(asp_escapedDoubleOpen, "page.asp", "<% s = \"", "\\\"", "");
LEXIPHANT_QUOTED_CASE(htaccess_escapedDoubleOpen, ".htaccess", "Header set X \"", "\\\"", "");
LEXIPHANT_QUOTED_CASE(ini_escapedDoubleOpen, "a.ini", "key = \"", "\\\"", "");

// Other passes of the same shape: many starts whose end lies far ahead or never comes.
LEXIPHANT_QUOTED_CASE(html_commentsWithoutLetters, "index.html", "", "<!---->1 ", "");
LEXIPHANT_QUOTED_CASE(css_commentOpenersInStrings, "style.css", "", " \"/*\"", "");
LEXIPHANT_QUOTED_CASE(perl_podOpenersInStrings, "script.pl", "", " \"=pod\"", "");
LEXIPHANT_QUOTED_CASE(perl_unclosedPod, "script.pl", "=pod\n", "text \\\" \"x\" $y\n", "");
LEXIPHANT_QUOTED_CASE(ruby_unclosedBegin, "app.rb", "=begin\n", "text 'x' @y\n", "");
LEXIPHANT_QUOTED_CASE(xml_cdataOpenersInStrings, "feed.xml", "", " '<![CDATA['", "");
LEXIPHANT_QUOTED_CASE(python_hashesInStrings, "tool.py", "", " '#'", "");

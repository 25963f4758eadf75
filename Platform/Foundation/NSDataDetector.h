#pragma once

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "Platform/Foundation/NSError.h"
#include "Platform/Foundation/NSTextCheckingResult.h"

using NSMatchingOptions = unsigned;

// Finds links in plain text: addresses with a scheme (http://, https://, ftp://, mailto:),
// addresses starting "www." (taken as http://) and bare e-mail addresses (taken as mailto:).
// A link starts where a word starts and runs to white space or a character no address holds;
// punctuation that ends a sentence and closing brackets without their opening one are left out.
class NSDataDetector {
public:
    // Null, with an error when asked, for checking types other than links.
    static std::shared_ptr<NSDataDetector> dataDetectorWithTypes(NSTextCheckingTypes types, NSErrorRef* error = nullptr);

    [[nodiscard]] NSTextCheckingTypes checkingTypes() const { return types_; }

    // The block gets each finding inside the range in order; setting *stop ends the scan.
    // A range past the text's end raises "NSRangeException".
    void enumerateMatchesInString(std::u16string_view text, NSMatchingOptions options, NSRange range,
                                  const std::function<void(const NSTextCheckingResultRef&, bool* stop)>& block) const;
    [[nodiscard]] std::vector<NSTextCheckingResultRef> matchesInString(std::u16string_view text, NSMatchingOptions options,
                                                                       NSRange range) const;
    [[nodiscard]] NSTextCheckingResultRef firstMatchInString(std::u16string_view text, NSMatchingOptions options, NSRange range) const;
    [[nodiscard]] NSUInteger numberOfMatchesInString(std::u16string_view text, NSMatchingOptions options, NSRange range) const;

    explicit NSDataDetector(NSTextCheckingTypes types) : types_(types) { }

private:
    NSTextCheckingTypes types_;
};

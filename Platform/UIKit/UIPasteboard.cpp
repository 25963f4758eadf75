#include "Platform/UIKit/UIPasteboard.h"

#include <algorithm>

#include "Platform/Foundation/NSString.h"

namespace {

class MemoryBackend final : public UIPasteboardBackend {
public:
    std::optional<std::string> readText() override { return text_; }
    void writeText(const std::string& utf8) override { text_ = utf8; }

private:
    std::optional<std::string> text_;
};

std::string wellFormed(const std::string& utf8)
{
    return utf16ToUtf8(utf8ToUtf16(utf8));
}

} // namespace

UIPasteboard::UIPasteboard() : backend_(std::make_shared<MemoryBackend>()) { }

UIPasteboard& UIPasteboard::generalPasteboard()
{
    static UIPasteboard pasteboard;
    return pasteboard;
}

std::optional<std::u16string> UIPasteboard::string() const
{
    const auto text = backend_->readText();
    if (!text) {
        return std::nullopt;
    }
    return utf8ToUtf16(*text);
}

void UIPasteboard::setString(const std::u16string& text)
{
    backend_->writeText(utf16ToUtf8(text));
    ++changeCount_;
}

std::vector<std::string> UIPasteboard::pasteboardTypes() const
{
    std::vector<std::string> types;
    if (backend_->readText()) {
        types.emplace_back(kUTTypeUTF8PlainText);
    }
    for (const auto& [type, value] : otherTypes_) {
        types.push_back(type);
    }
    return types;
}

bool UIPasteboard::containsPasteboardTypes(const std::vector<std::string>& types) const
{
    const auto present = pasteboardTypes();
    return std::any_of(types.begin(), types.end(),
                       [&](const std::string& type) { return std::find(present.begin(), present.end(), type) != present.end(); });
}

std::optional<std::string> UIPasteboard::valueForPasteboardType(const std::string& type) const
{
    if (type == kUTTypeUTF8PlainText) {
        const auto text = backend_->readText();
        return text ? std::optional<std::string>(wellFormed(*text)) : std::nullopt;
    }
    const auto found = otherTypes_.find(type);
    return found == otherTypes_.end() ? std::nullopt : std::optional<std::string>(found->second);
}

void UIPasteboard::setValueForPasteboardType(const std::string& value, const std::string& type)
{
    if (type == kUTTypeUTF8PlainText) {
        backend_->writeText(wellFormed(value));
    } else {
        otherTypes_[type] = value;
    }
    ++changeCount_;
}

void UIPasteboard::setBackend(std::shared_ptr<UIPasteboardBackend> backend)
{
    backend_ = backend ? std::move(backend) : std::make_shared<MemoryBackend>();
}

void UIPasteboard::resetForTesting()
{
    backend_ = std::make_shared<MemoryBackend>();
    otherTypes_.clear();
    changeCount_ = 0;
}

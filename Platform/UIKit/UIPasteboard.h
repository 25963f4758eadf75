#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The pasteboard type of plain text in UTF-8.
inline constexpr char kUTTypeUTF8PlainText[] = "public.utf8-plain-text";

// Where the pasteboard's text really lives: memory by default; the host connects the desktop's
// clipboard. Text crosses as UTF-8.
class UIPasteboardBackend {
public:
    virtual ~UIPasteboardBackend() = default;
    // Null when there is no text.
    [[nodiscard]] virtual std::optional<std::string> readText() = 0;
    virtual void writeText(const std::string& utf8) = 0;
};

// The general pasteboard. Text ("public.utf8-plain-text") goes through the backend; values of
// other types stay in memory beside it. Text written is always well-formed UTF-8 (ill-formed
// sequences become U+FFFD), and text read is decoded the same way, so no paste can carry bytes
// the text views cannot hold. Main thread only.
class UIPasteboard {
public:
    static UIPasteboard& generalPasteboard();

    // The text, null when there is none.
    [[nodiscard]] std::optional<std::u16string> string() const;
    void setString(const std::u16string& text);

    [[nodiscard]] std::vector<std::string> pasteboardTypes() const;
    [[nodiscard]] bool containsPasteboardTypes(const std::vector<std::string>& types) const;
    [[nodiscard]] std::optional<std::string> valueForPasteboardType(const std::string& type) const;
    void setValueForPasteboardType(const std::string& value, const std::string& type);

    // Grows with every write.
    [[nodiscard]] long changeCount() const { return changeCount_; }

    // Null restores a fresh memory backend.
    void setBackend(std::shared_ptr<UIPasteboardBackend> backend);
    // Empties the memory and restores the memory backend (tests).
    void resetForTesting();

private:
    UIPasteboard();

    std::shared_ptr<UIPasteboardBackend> backend_;
    std::map<std::string, std::string> otherTypes_;
    long changeCount_ { 0 };
};

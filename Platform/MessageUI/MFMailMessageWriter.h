#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Platform/Foundation/NSData.h"
#include "Platform/Foundation/NSError.h"

// A mail as the compose screen holds it.
struct MFMailMessage {
    struct Attachment {
        NSData data;
        std::string mimeType; // "type/subtype"; anything else is sent as application/octet-stream
        std::string fileName;
    };

    std::vector<std::string> toRecipients;
    std::vector<std::string> ccRecipients;
    std::vector<std::string> bccRecipients;
    std::string subject;
    std::string body;
    bool bodyIsHTML { false };
    std::optional<Attachment> attachment;
};

// Turns a mail into an RFC 5322 message (GMime builds it: a text part and, with an attachment,
// a multipart/mixed body whose second part carries it in base64) and files it in the app
// home's Outbox, where a mail program may pick it up.
class MFMailMessageWriter {
public:
    // The message's bytes (CRLF line ends), dated `date` (seconds since 1970).
    [[nodiscard]] static NSData messageData(const MFMailMessage& message, double date);
    // "YYYY-MM-DD HH.MM.SS <subject>.eml" in local time, the subject reduced to characters safe
    // in a file name (at most 60 bytes of it; "No Subject" when none is left).
    [[nodiscard]] static std::string fileNameFor(const std::string& subject, double date);
    // Writes the message into `outbox` (the app's Outbox folder when empty) as a new file of
    // mode 0600 (a number is added to the name when one of that name exists). Answers the path,
    // or empty with the error set.
    [[nodiscard]] static std::string writeToOutbox(const MFMailMessage& message, double date, NSErrorRef* error,
                                                   const std::string& outbox = {});
    // The sender named on every message: $LEXIPHANT_MAIL_FROM, else the user at localhost.
    [[nodiscard]] static std::string senderAddress();
};

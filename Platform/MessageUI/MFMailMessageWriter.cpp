#include "Platform/MessageUI/MFMailMessageWriter.h"

#include <gmime/gmime.h>
#include <pwd.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <mutex>

#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSString.h"

namespace {

struct GObjectDeleter {
    void operator()(gpointer object) const
    {
        if (object != nullptr) {
            g_object_unref(object);
        }
    }
};
template <class T>
using GPtr = std::unique_ptr<T, GObjectDeleter>;

void initialiseOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

void addMailboxes(GMimeMessage* message, GMimeAddressType type, const std::vector<std::string>& addresses)
{
    InternetAddressList* list = g_mime_message_get_addresses(message, type); // owned by the message
    for (const std::string& address : addresses) {
        // Each entry may be "Name <addr>" or a bare address; GMime parses both.
        if (InternetAddressList* parsed = internet_address_list_parse(nullptr, address.c_str())) {
            internet_address_list_append(list, parsed);
            g_object_unref(parsed);
        }
    }
}

std::pair<std::string, std::string> splitMimeType(const std::string& mimeType)
{
    const auto slash = mimeType.find('/');
    const auto valid = [](const std::string& token) {
        return !token.empty() && token.find_first_of(" \t\r\n;/\"()<>@,:\\[]?=") == std::string::npos;
    };
    if (slash != std::string::npos) {
        std::string type = lowercaseString(std::string_view(mimeType.substr(0, slash)));
        std::string subtype = lowercaseString(std::string_view(mimeType.substr(slash + 1)));
        if (valid(type) && valid(subtype)) {
            return { type, subtype };
        }
    }
    return { "application", "octet-stream" };
}

// What may stand in a file name on every common file system.
bool isSafeInFileName(unsigned char c)
{
    if (c >= 0x80) {
        return true; // UTF-8 of letters and the like
    }
    return std::isalnum(c) || c == ' ' || c == '-' || c == '_' || c == '.' || c == ',' || c == '(' || c == ')' || c == '+'
        || c == '!' || c == '&' || c == '=' || c == '@';
}

}

std::string MFMailMessageWriter::senderAddress()
{
    if (const char* configured = std::getenv("LEXIPHANT_MAIL_FROM"); configured != nullptr && *configured != '\0') {
        return configured;
    }
    std::string user = "user";
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_name != nullptr && *entry->pw_name != '\0') {
        user = entry->pw_name;
    }
    return user + "@localhost";
}

NSData MFMailMessageWriter::messageData(const MFMailMessage& mail, double date)
{
    initialiseOnce();
    GPtr<GMimeMessage> message(g_mime_message_new(TRUE));
    addMailboxes(message.get(), GMIME_ADDRESS_TYPE_FROM, { senderAddress() });
    addMailboxes(message.get(), GMIME_ADDRESS_TYPE_TO, mail.toRecipients);
    addMailboxes(message.get(), GMIME_ADDRESS_TYPE_CC, mail.ccRecipients);
    addMailboxes(message.get(), GMIME_ADDRESS_TYPE_BCC, mail.bccRecipients);
    g_mime_message_set_subject(message.get(), mail.subject.c_str(), "utf-8");
    std::unique_ptr<GDateTime, decltype(&g_date_time_unref)> when(
        g_date_time_new_from_unix_local(static_cast<gint64>(date)), &g_date_time_unref);
    if (when) {
        g_mime_message_set_date(message.get(), when.get());
    }
    {
        std::unique_ptr<char, decltype(&g_free)> id(g_mime_utils_generate_message_id("localhost"), &g_free);
        g_mime_message_set_message_id(message.get(), id.get());
    }

    GPtr<GMimeTextPart> text(g_mime_text_part_new_with_subtype(mail.bodyIsHTML ? "html" : "plain"));
    // Bytes that are not UTF-8 must not make an ill-formed message.
    const std::string body = utf16ToUtf8(utf8ToUtf16(mail.body));
    g_mime_text_part_set_text(text.get(), body.c_str());

    if (!mail.attachment) {
        g_mime_message_set_mime_part(message.get(), GMIME_OBJECT(text.get()));
    } else {
        const MFMailMessage::Attachment& attachment = *mail.attachment;
        const auto [type, subtype] = splitMimeType(attachment.mimeType);
        GPtr<GMimePart> part(g_mime_part_new_with_type(type.c_str(), subtype.c_str()));
        g_mime_object_set_disposition(GMIME_OBJECT(part.get()), "attachment");
        const std::string name = utf16ToUtf8(utf8ToUtf16(attachment.fileName.empty() ? std::string("attachment") : attachment.fileName));
        g_mime_part_set_filename(part.get(), name.c_str());
        GPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(attachment.data.data(), attachment.data.size()));
        GPtr<GMimeDataWrapper> content(g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
        g_mime_part_set_content(part.get(), content.get());
        g_mime_part_set_content_encoding(part.get(), GMIME_CONTENT_ENCODING_BASE64);

        GPtr<GMimeMultipart> mixed(g_mime_multipart_new_with_subtype("mixed"));
        g_mime_multipart_add(mixed.get(), GMIME_OBJECT(text.get()));
        g_mime_multipart_add(mixed.get(), GMIME_OBJECT(part.get()));
        g_mime_message_set_mime_part(message.get(), GMIME_OBJECT(mixed.get()));
    }

    GPtr<GMimeStream> out(g_mime_stream_mem_new());
    GMimeFormatOptions* options = g_mime_format_options_clone(g_mime_format_options_get_default());
    g_mime_format_options_set_newline_format(options, GMIME_NEWLINE_FORMAT_DOS);
    g_mime_object_write_to_stream(GMIME_OBJECT(message.get()), options, out.get());
    g_mime_format_options_free(options);
    GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out.get())); // owned by the stream
    return NSData(reinterpret_cast<const char*>(bytes->data), bytes->len);
}

std::string MFMailMessageWriter::fileNameFor(const std::string& subject, double date)
{
    const std::time_t seconds = static_cast<std::time_t>(date);
    std::tm local {};
    localtime_r(&seconds, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H.%M.%S", &local);

    const std::string clean = utf16ToUtf8(utf8ToUtf16(subject));
    std::string safe;
    for (const char c : clean) {
        const auto byte = static_cast<unsigned char>(c);
        safe.push_back(isSafeInFileName(byte) ? c : '_');
    }
    constexpr std::size_t kMaxSubjectBytes = 60;
    if (safe.size() > kMaxSubjectBytes) {
        safe.resize(kMaxSubjectBytes);
        // Never half a UTF-8 character.
        while (!safe.empty() && (static_cast<unsigned char>(safe.back()) & 0xC0) == 0x80) {
            safe.pop_back();
        }
        if (!safe.empty() && static_cast<unsigned char>(safe.back()) >= 0xC0) {
            safe.pop_back();
        }
    }
    // No leading dots (hidden files, "..") and no spaces or dots at the ends.
    const auto first = safe.find_first_not_of(" .");
    safe = first == std::string::npos ? std::string() : safe.substr(first);
    while (!safe.empty() && (safe.back() == ' ' || safe.back() == '.')) {
        safe.pop_back();
    }
    if (safe.empty()) {
        safe = "No Subject";
    }
    return std::string(stamp) + " " + safe + ".eml";
}

std::string MFMailMessageWriter::writeToOutbox(const MFMailMessage& message, double date, NSErrorRef* error, const std::string& outbox)
{
    const std::string folder = outbox.empty() ? NSFileManager::defaultManager().outboxDirectory() : outbox;
    NSFileManager& files = NSFileManager::defaultManager();
    if (!files.createDirectoryAtPath(folder, true, 0700)) {
        if (error != nullptr) {
            *error = NSError::errorWithDomain(NSCocoaErrorDomain, 512, "The Outbox folder cannot be made: " + NSFileManager::lastError());
        }
        return {};
    }
    const std::string name = fileNameFor(message.subject, date);
    std::string path = stringByAppendingPathComponent(folder, name);
    for (int n = 2; files.fileExistsAtPath(path) && n < 1000; ++n) {
        path = stringByAppendingPathComponent(folder, stringByDeletingPathExtension(name) + stringWithFormat(" %d", n) + ".eml");
    }
    if (!files.writeToFile(path, messageData(message, date), 0600)) {
        if (error != nullptr) {
            *error = NSError::errorWithDomain(NSCocoaErrorDomain, 512, "The mail could not be saved: " + NSFileManager::lastError());
        }
        return {};
    }
    return path;
}

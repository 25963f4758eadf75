#pragma once

// libcurl plumbing shared by the network manager's source files: RAII holders, option scopes
// that undo what one operation set, and URL component escaping. Not for other callers.

#include "Classes/Others/NetworkManagerDelegate.h"
#include "Classes/Others/TransferData.h"

#include <curl/curl.h>

#include <atomic>
#include <memory>
#include <string>
#include <string_view>

// A CR, LF or NUL would end an FTP command line early and start another one.
[[nodiscard]] inline bool hasUnsafeCharacters(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// One path component escaped for a URL: everything but letters, digits and "-._~".
[[nodiscard]] inline std::string escapedPathComponent(const std::string& component)
{
    std::unique_ptr<char, decltype(&curl_free)> escaped(
        curl_easy_escape(nullptr, component.data(), static_cast<int>(component.size())), &curl_free);
    return escaped ? std::string(escaped.get()) : std::string();
}

// A URL path with its percent escapes decoded.
[[nodiscard]] inline std::string unescapedPath(const std::string& path)
{
    int length = 0;
    std::unique_ptr<char, decltype(&curl_free)> plain(
        curl_easy_unescape(nullptr, path.data(), static_cast<int>(path.size()), &length), &curl_free);
    return plain ? std::string(plain.get(), static_cast<std::size_t>(length)) : std::string();
}

// SFTP quote commands take paths in double quotes, with \" and \\ as the only escapes.
[[nodiscard]] inline std::string quotedSftpPath(const std::string& path)
{
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

class CurlStringList {
public:
    [[nodiscard]] bool append(const std::string& text)
    {
        curl_slist* grown = curl_slist_append(list_.get(), text.c_str());
        if (grown == nullptr)
            return false;
        list_.release();
        list_.reset(grown);
        return true;
    }
    [[nodiscard]] curl_slist* get() const { return list_.get(); }

private:
    struct Deleter {
        void operator()(curl_slist* list) const { curl_slist_free_all(list); }
    };
    std::unique_ptr<curl_slist, Deleter> list_;
};

// Marks the manager busy with one background operation for the length of a scope.
class ThreadStatusScope {
public:
    ThreadStatusScope(std::atomic<int>& status, int value) : status_(status) { status_ = value; }
    ~ThreadStatusScope() { status_ = 0; }
    ThreadStatusScope(const ThreadStatusScope&) = delete;
    ThreadStatusScope& operator=(const ThreadStatusScope&) = delete;

private:
    std::atomic<int>& status_;
};

// The options of one perform. Whatever is set through the scope is cleared again when it ends,
// so no option outlives the records it points to, on every path out of an operation.
class TransferOptionsScope {
public:
    explicit TransferOptionsScope(CURL* curl) : curl_(curl) {}
    TransferOptionsScope(const TransferOptionsScope&) = delete;
    TransferOptionsScope& operator=(const TransferOptionsScope&) = delete;

    ~TransferOptionsScope()
    {
        if (write_) {
            curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, static_cast<curl_write_callback>(nullptr));
            curl_easy_setopt(curl_, CURLOPT_WRITEDATA, static_cast<void*>(nullptr));
        }
        if (progress_) {
            curl_easy_setopt(curl_, CURLOPT_XFERINFOFUNCTION, static_cast<curl_xferinfo_callback>(nullptr));
            curl_easy_setopt(curl_, CURLOPT_XFERINFODATA, static_cast<void*>(nullptr));
        }
        if (quote_)
            curl_easy_setopt(curl_, CURLOPT_QUOTE, static_cast<curl_slist*>(nullptr));
        if (postQuote_)
            curl_easy_setopt(curl_, CURLOPT_POSTQUOTE, static_cast<curl_slist*>(nullptr));
        if (noBody_)
            curl_easy_setopt(curl_, CURLOPT_NOBODY, 0L);
        if (upload_) {
            curl_easy_setopt(curl_, CURLOPT_READFUNCTION, static_cast<curl_read_callback>(nullptr));
            curl_easy_setopt(curl_, CURLOPT_READDATA, static_cast<void*>(nullptr));
            curl_easy_setopt(curl_, CURLOPT_UPLOAD, 0L);
        }
    }

    // A null function leaves libcurl's own writer, which writes into the FILE* given as data.
    void setWrite(curl_write_callback function, void* data)
    {
        write_ = true;
        curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, function);
        curl_easy_setopt(curl_, CURLOPT_WRITEDATA, data);
    }

    // Progress for this perform only; reporting is off without a function.
    void setProgress(TransferProgressFunction function, void* client)
    {
        progress_ = true;
        client_ = Client { function, client };
        curl_easy_setopt(curl_, CURLOPT_NOPROGRESS, function == nullptr ? 1L : 0L);
        curl_easy_setopt(curl_, CURLOPT_XFERINFOFUNCTION,
                         function == nullptr ? static_cast<curl_xferinfo_callback>(nullptr) : &progressThunk);
        curl_easy_setopt(curl_, CURLOPT_XFERINFODATA, function == nullptr ? nullptr : &client_);
    }

    void setQuote(curl_slist* list)
    {
        quote_ = true;
        curl_easy_setopt(curl_, CURLOPT_QUOTE, list);
    }

    void setPostQuote(curl_slist* list)
    {
        postQuote_ = true;
        curl_easy_setopt(curl_, CURLOPT_POSTQUOTE, list);
    }

    void setNoBody()
    {
        noBody_ = true;
        curl_easy_setopt(curl_, CURLOPT_NOBODY, 1L);
    }

    void setUpload(curl_read_callback function, TransferData* record)
    {
        upload_ = true;
        curl_easy_setopt(curl_, CURLOPT_READFUNCTION, function);
        curl_easy_setopt(curl_, CURLOPT_READDATA, record);
        curl_easy_setopt(curl_, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(curl_, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(record->length));
    }

    // Performs; a listing or download stopped at its memory limit answers "file too large"
    // rather than libcurl's plain write error.
    [[nodiscard]] int perform(TransferData& record)
    {
        record.handle = curl_;
        const CURLcode code = curl_easy_perform(curl_);
        record.handle = nullptr;
        if (record.overflowed)
            return CURLE_FILESIZE_EXCEEDED;
        return code;
    }

private:
    struct Client {
        TransferProgressFunction function { nullptr };
        void* client { nullptr };
    };

    static int progressThunk(void* data, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal,
                             curl_off_t ulnow)
    {
        const auto* target = static_cast<const Client*>(data);
        if (target == nullptr || target->function == nullptr)
            return 0;
        try {
            return target->function(target->client, static_cast<double>(dltotal), static_cast<double>(dlnow),
                                    static_cast<double>(ultotal), static_cast<double>(ulnow));
        } catch (...) {
            return 0; // a screen's failure never crosses libcurl
        }
    }

    CURL* curl_;
    Client client_;
    bool write_ { false };
    bool progress_ { false };
    bool quote_ { false };
    bool postQuote_ { false };
    bool noBody_ { false };
    bool upload_ { false };
};

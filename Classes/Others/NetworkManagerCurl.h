#pragma once

// libcurl plumbing shared by the network manager's source files: RAII holders, option scopes
// that undo what one operation set, and URL component escaping. Not for other callers.

#include "Classes/Others/NetworkManager.h"
#include "Classes/Others/NetworkManagerDelegate.h"
#include "Classes/Others/TransferData.h"

#include <curl/curl.h>
#include <sys/select.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// Set on the thread of an operation started by beginOperation(), which marked the manager busy
// before the thread ran and clears the mark itself once the work has ended.
inline thread_local bool runningBegunOperation = false;

// Marks the manager busy with one background operation for the length of a scope. Inside an
// operation begun on the main thread the end of the scope leaves the mark to beginOperation():
// clearing it here would let a new operation start, and the old thread's own clearing would
// then wipe the new one's mark.
class ThreadStatusScope {
public:
    ThreadStatusScope(std::atomic<int>& status, int value) : status_(status), clears_(!runningBegunOperation)
    {
        status_ = value;
    }
    ~ThreadStatusScope()
    {
        if (clears_)
            status_ = 0;
    }
    ThreadStatusScope(const ThreadStatusScope&) = delete;
    ThreadStatusScope& operator=(const ThreadStatusScope&) = delete;

private:
    std::atomic<int>& status_;
    bool clears_;
};

// One transfer of `easy` run on `multi`, as curl_easy_perform runs it, less a stall of libcurl
// 7.88: when the answer to PASV or EPSV is already there as the command is sent, libcurl ends
// the command step at once and then waits to open the data connection without naming any
// socket to watch, so a plain wait sleeps its full second (curl_easy_perform's too) before the
// connect starts. When libcurl names no socket, it is called again after a moment instead;
// its own timers still cut every wait short.
[[nodiscard]] inline CURLcode performOn(CURLM* multi, CURL* easy)
{
    constexpr int kWaitMs = 1000;
    constexpr int kNoSocketWaitMs = 1;
    if (multi == nullptr || curl_multi_add_handle(multi, easy) != CURLM_OK)
        return curl_easy_perform(easy);
    CURLMcode status = CURLM_OK;
    for (;;) {
        int running = 0;
        status = curl_multi_perform(multi, &running);
        if (status != CURLM_OK || running == 0)
            break;
        fd_set readable;
        fd_set writable;
        fd_set failed;
        FD_ZERO(&readable);
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        int highest = -1;
        status = curl_multi_fdset(multi, &readable, &writable, &failed, &highest);
        if (status == CURLM_OK)
            status = curl_multi_poll(multi, nullptr, 0, highest < 0 ? kNoSocketWaitMs : kWaitMs, nullptr);
        if (status != CURLM_OK)
            break;
    }
    CURLcode result = CURLE_OK;
    if (status != CURLM_OK) {
        result = status == CURLM_OUT_OF_MEMORY ? CURLE_OUT_OF_MEMORY : CURLE_BAD_FUNCTION_ARGUMENT;
    } else {
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &queued))
            if (message->msg == CURLMSG_DONE && message->easy_handle == easy)
                result = message->data.result;
    }
    curl_multi_remove_handle(multi, easy);
    return result;
}

// The options of one perform. Whatever is set through the scope is cleared again when it ends,
// so no option outlives the records it points to, on every path out of an operation.
//
// Every perform also keeps the server's reply lines and libcurl's detail, and a failed one hands
// the server's words to the manager that owns the handle (CURLOPT_PRIVATE), so that a refused
// command or transfer can say why in the server's own words.
//
// Every perform also watches for a stall: when no byte has moved either way for
// `stallSeconds`, it ends with libcurl's time-out result. libcurl's own low-speed check
// covers only the body of a transfer; this also covers the steps before it (an SFTP command
// whose answer never comes), while a transfer that keeps moving runs as long as it needs.
class TransferOptionsScope {
public:
    TransferOptionsScope(CURL* curl, CURLM* multi, long stallSeconds) : curl_(curl), multi_(multi)
    {
        client_.stallSeconds = stallSeconds;
        char* owner = nullptr;
        if (curl_easy_getinfo(curl_, CURLINFO_PRIVATE, &owner) == CURLE_OK && owner != nullptr)
            client_.abort = &reinterpret_cast<NetworkManager*>(owner)->abortRequested_;
    }
    TransferOptionsScope(const TransferOptionsScope&) = delete;
    TransferOptionsScope& operator=(const TransferOptionsScope&) = delete;

    ~TransferOptionsScope()
    {
        if (write_) {
            curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, static_cast<curl_write_callback>(nullptr));
            curl_easy_setopt(curl_, CURLOPT_WRITEDATA, static_cast<void*>(nullptr));
        }
        if (progress_) {
            // Progress off again: with it on and no function, libcurl draws its own meter on
            // standard error during every later transfer.
            curl_easy_setopt(curl_, CURLOPT_NOPROGRESS, 1L);
            curl_easy_setopt(curl_, CURLOPT_XFERINFOFUNCTION, static_cast<curl_xferinfo_callback>(nullptr));
            curl_easy_setopt(curl_, CURLOPT_XFERINFODATA, static_cast<void*>(nullptr));
        }
        if (quote_)
            curl_easy_setopt(curl_, CURLOPT_QUOTE, static_cast<curl_slist*>(nullptr));
        if (postQuote_)
            curl_easy_setopt(curl_, CURLOPT_POSTQUOTE, static_cast<curl_slist*>(nullptr));
        if (noBody_)
            curl_easy_setopt(curl_, CURLOPT_NOBODY, 0L);
        if (customRequest_)
            curl_easy_setopt(curl_, CURLOPT_CUSTOMREQUEST, static_cast<char*>(nullptr));
        if (upload_) {
            curl_easy_setopt(curl_, CURLOPT_READFUNCTION, static_cast<curl_read_callback>(nullptr));
            curl_easy_setopt(curl_, CURLOPT_READDATA, static_cast<void*>(nullptr));
            curl_easy_setopt(curl_, CURLOPT_UPLOAD, 0L);
            curl_easy_setopt(curl_, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(-1));
        }
    }

    // A null function leaves libcurl's own writer, which writes into the FILE* given as data.
    void setWrite(curl_write_callback function, void* data)
    {
        write_ = true;
        curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, function);
        curl_easy_setopt(curl_, CURLOPT_WRITEDATA, data);
    }

    // The screen's progress function for this perform only; none without a function.
    void setProgress(TransferProgressFunction function, void* client)
    {
        client_.function = function;
        client_.client = client;
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

    // The server's reply lines of this perform, one string each, through the header function
    // (kept inside the scope when no one asks for them).
    void setReplies(std::vector<std::string>* lines) { replies_ = lines; }

    // The command that lists a folder in place of LIST (FTP); libcurl copies the text.
    void setCustomRequest(const char* command)
    {
        customRequest_ = true;
        curl_easy_setopt(curl_, CURLOPT_CUSTOMREQUEST, command);
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
        progress_ = true;
        client_.lastMove = std::chrono::steady_clock::now();
        curl_easy_setopt(curl_, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl_, CURLOPT_XFERINFOFUNCTION, &progressThunk);
        curl_easy_setopt(curl_, CURLOPT_XFERINFODATA, static_cast<void*>(&client_));
        std::vector<std::string> ownReplies;
        std::vector<std::string>* replies = replies_ != nullptr ? replies_ : &ownReplies;
        curl_easy_setopt(curl_, CURLOPT_HEADERDATA, static_cast<void*>(replies));
        char detail[CURL_ERROR_SIZE] = {};
        curl_easy_setopt(curl_, CURLOPT_ERRORBUFFER, detail);
        record.handle = curl_;
        int code = performOn(multi_, curl_);
        record.handle = nullptr;
        if (record.overflowed)
            code = CURLE_FILESIZE_EXCEEDED;
        else if (client_.stalled)
            code = CURLE_OPERATION_TIMEDOUT;
        // Both records end with this call: libcurl must not keep them.
        curl_easy_setopt(curl_, CURLOPT_HEADERDATA, static_cast<void*>(nullptr));
        curl_easy_setopt(curl_, CURLOPT_ERRORBUFFER, static_cast<char*>(nullptr));
        if (code != CURLE_OK) {
            char* owner = nullptr;
            if (curl_easy_getinfo(curl_, CURLINFO_PRIVATE, &owner) == CURLE_OK && owner != nullptr)
                reinterpret_cast<NetworkManager*>(owner)->noteFailure(*replies, detail);
        }
        return code;
    }

private:
    static constexpr long kFinalReplyFactor = 6;
    struct Client {
        TransferProgressFunction function { nullptr };
        void* client { nullptr };
        long stallSeconds { 0 }; // 0: no watch
        const std::atomic<bool>* abort { nullptr }; // the owner's request to end the transfer now
        curl_off_t moved { 0 };
        std::chrono::steady_clock::time_point lastMove;
        bool stalled { false };
    };

    static int progressThunk(void* data, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal,
                             curl_off_t ulnow)
    {
        auto* target = static_cast<Client*>(data);
        if (target == nullptr)
            return 0;
        // Before the screen's function: at termination the screen may be on its way out.
        if (target->abort != nullptr && target->abort->load())
            return 1; // ends the perform with libcurl's "aborted by callback"
        const auto now = std::chrono::steady_clock::now();
        // Once an upload's last byte is handed over, the kernel's buffers may still hold many
        // seconds of it on its way to a slow server: the final reply gets a longer wait.
        const bool allHandedOver = ultotal > 0 && ulnow >= ultotal;
        const long limit = allHandedOver ? target->stallSeconds * kFinalReplyFactor : target->stallSeconds;
        if (dlnow + ulnow != target->moved) {
            target->moved = dlnow + ulnow;
            target->lastMove = now;
        } else if (target->stallSeconds > 0 && now - target->lastMove >= std::chrono::seconds(limit)) {
            target->stalled = true;
            return 1; // ends the perform; perform() answers the time-out
        }
        if (target->function == nullptr)
            return 0;
        try {
            return target->function(target->client, static_cast<double>(dltotal), static_cast<double>(dlnow),
                                    static_cast<double>(ultotal), static_cast<double>(ulnow));
        } catch (...) {
            return 0; // a screen's failure never crosses libcurl
        }
    }

    CURL* curl_;
    CURLM* multi_;
    Client client_;
    bool write_ { false };
    bool progress_ { false };
    bool quote_ { false };
    bool postQuote_ { false };
    bool noBody_ { false };
    bool customRequest_ { false };
    bool upload_ { false };
    std::vector<std::string>* replies_ { nullptr };
};

// The server's last error reply among the reply lines of a perform (a 4xx or 5xx line, without
// its line end); empty when there is none.
[[nodiscard]] inline std::string lastErrorReply(const std::vector<std::string>& replies)
{
    for (auto line = replies.rbegin(); line != replies.rend(); ++line) {
        const std::string& text = *line;
        if (text.size() >= 3 && (text[0] == '4' || text[0] == '5') && std::isdigit(static_cast<unsigned char>(text[1]))
            && std::isdigit(static_cast<unsigned char>(text[2]))) {
            const std::size_t end = text.find_last_not_of("\r\n");
            return end == std::string::npos ? std::string() : text.substr(0, end + 1);
        }
    }
    return {};
}

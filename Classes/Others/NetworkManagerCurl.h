#pragma once

// libcurl plumbing shared by the network manager's source files: RAII holders, option scopes
// that undo what one operation set, and URL component escaping. Not for other callers: tests
// reach the few helpers they check through NetworkManagerTestSeam.h.

#include "Classes/Others/NetworkManager.h"
#include "Classes/Others/NetworkManagerDelegate.h"
#include "Classes/Others/NetworkManagerListing.h"
#include "Classes/Others/NetworkManagerTestSeam.h"
#include "Classes/Others/TransferData.h"

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

class CurlStringList {
public:
    [[nodiscard]] bool append(const std::string& text);
    [[nodiscard]] curl_slist* get() const { return list_.get(); }

private:
    struct Deleter {
        void operator()(curl_slist* list) const { curl_slist_free_all(list); }
    };
    std::unique_ptr<curl_slist, Deleter> list_;
};

// Marks the manager busy with one background operation for the length of a scope. Inside an
// operation begun on the main thread (`begun`) the end of the scope leaves the mark to
// beginOperation(): clearing it here would let a new operation start, and the old thread's own
// clearing would then wipe the new one's mark.
class ThreadStatusScope {
public:
    ThreadStatusScope(std::atomic<int>& status, int value, bool begun);
    ~ThreadStatusScope();
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
[[nodiscard]] CURLcode performOn(CURLM* multi, CURL* easy);

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
    TransferOptionsScope(CURL* curl, CURLM* multi, long stallSeconds);
    TransferOptionsScope(const TransferOptionsScope&) = delete;
    TransferOptionsScope& operator=(const TransferOptionsScope&) = delete;

    ~TransferOptionsScope();

    // A null function leaves libcurl's own writer, which writes into the FILE* given as data.
    void setWrite(curl_write_callback function, void* data);

    // The screen's progress function for this perform only; none without a function.
    void setProgress(TransferProgressFunction function, void* client);

    void setQuote(curl_slist* list);

    void setPostQuote(curl_slist* list);

    // The server's reply lines of this perform, one string each, through the header function
    // (kept inside the scope when no one asks for them).
    void setReplies(std::vector<std::string>* lines) { replies_ = lines; }

    // The command that lists a folder in place of LIST (FTP); libcurl copies the text.
    void setCustomRequest(const char* command);

    void setNoBody();

    void setUpload(curl_read_callback function, TransferData* record);

    // Performs; a listing or download stopped at its memory limit answers "file too large"
    // rather than libcurl's plain write error.
    [[nodiscard]] int perform(TransferData& record);

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
                             curl_off_t ulnow);

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
[[nodiscard]] std::string lastErrorReply(const std::vector<std::string>& replies);

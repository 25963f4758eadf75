// The libcurl plumbing of the network manager's source files, and its libcurl callbacks.

#include "Classes/Others/NetworkManagerCurl.h"

#include "Platform/Foundation/NSData.h"

#include <sys/select.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <exception>
#include <string_view>

// ---- Names and paths -------------------------------------------------------------------------

bool hasUnsafeCharacters(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

std::string escapedPathComponent(const std::string& component)
{
    std::unique_ptr<char, decltype(&curl_free)> escaped(
        curl_easy_escape(nullptr, component.data(), static_cast<int>(component.size())), &curl_free);
    return escaped ? std::string(escaped.get()) : std::string();
}

std::string unescapedPath(const std::string& path)
{
    int length = 0;
    std::unique_ptr<char, decltype(&curl_free)> plain(
        curl_easy_unescape(nullptr, path.data(), static_cast<int>(path.size()), &length), &curl_free);
    return plain ? std::string(plain.get(), static_cast<std::size_t>(length)) : std::string();
}

std::string quotedSftpPath(const std::string& path)
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

bool CurlStringList::append(const std::string& text)
{
    curl_slist* grown = curl_slist_append(list_.get(), text.c_str());
    if (grown == nullptr)
        return false;
    list_.release();
    list_.reset(grown);
    return true;
}

ThreadStatusScope::ThreadStatusScope(std::atomic<int>& status, int value, bool begun)
    : status_(status), clears_(!begun)
{
    status_ = value;
}

ThreadStatusScope::~ThreadStatusScope()
{
    if (clears_)
        status_ = 0;
}

CURLcode performOn(CURLM* multi, CURL* easy)
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

TransferOptionsScope::TransferOptionsScope(CURL* curl, CURLM* multi, long stallSeconds) : curl_(curl), multi_(multi)
{
    client_.stallSeconds = stallSeconds;
    char* owner = nullptr;
    if (curl_easy_getinfo(curl_, CURLINFO_PRIVATE, &owner) == CURLE_OK && owner != nullptr)
        client_.abort = &reinterpret_cast<NetworkManager*>(owner)->abortRequested_;
}

TransferOptionsScope::~TransferOptionsScope()
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

void TransferOptionsScope::setWrite(curl_write_callback function, void* data)
{
    write_ = true;
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, function);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, data);
}

void TransferOptionsScope::setProgress(TransferProgressFunction function, void* client)
{
    client_.function = function;
    client_.client = client;
}

void TransferOptionsScope::setQuote(curl_slist* list)
{
    quote_ = true;
    curl_easy_setopt(curl_, CURLOPT_QUOTE, list);
}

void TransferOptionsScope::setPostQuote(curl_slist* list)
{
    postQuote_ = true;
    curl_easy_setopt(curl_, CURLOPT_POSTQUOTE, list);
}

void TransferOptionsScope::setCustomRequest(const char* command)
{
    customRequest_ = true;
    curl_easy_setopt(curl_, CURLOPT_CUSTOMREQUEST, command);
}

void TransferOptionsScope::setNoBody()
{
    noBody_ = true;
    curl_easy_setopt(curl_, CURLOPT_NOBODY, 1L);
}

void TransferOptionsScope::setUpload(curl_read_callback function, TransferData* record)
{
    upload_ = true;
    curl_easy_setopt(curl_, CURLOPT_READFUNCTION, function);
    curl_easy_setopt(curl_, CURLOPT_READDATA, record);
    curl_easy_setopt(curl_, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl_, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(record->length));
}

int TransferOptionsScope::perform(TransferData& record)
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

int TransferOptionsScope::progressThunk(void* data, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal,
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

std::string lastErrorReply(const std::vector<std::string>& replies)
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

// ---- Callbacks -------------------------------------------------------------------------------

std::size_t listWriteCallback(char* bytes, std::size_t size, std::size_t count, void* record)
{
    const std::size_t total = size * count;
    auto* transfer = static_cast<TransferData*>(record);
    if (transfer == nullptr || transfer->data == nullptr || total == 0)
        return total;
    if (transfer->kind != TransferData::kListing && transfer->kind != TransferData::kDownload)
        return total;
    NSData& data = *transfer->data;
    if (total > transfer->limit || data.size() > transfer->limit - total) {
        // Answering less than offered ends the transfer with a write error.
        transfer->overflowed = true;
        return 0;
    }
    if (data.empty() && transfer->handle != nullptr) {
        // Grow once to the announced size, so a large file is not copied at every doubling.
        curl_off_t announced = -1;
        if (curl_easy_getinfo(static_cast<CURL*>(transfer->handle), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced)
                == CURLE_OK
            && announced > 0) {
            try {
                data.reserve(std::min<std::size_t>(static_cast<std::size_t>(announced), transfer->limit));
            } catch (const std::exception&) {
                return 0;
            }
        }
    }
    try {
        data.append(bytes, total);
    } catch (const std::exception&) {
        return 0; // out of memory: a write error, never an exception through libcurl
    }
    return total;
}

std::size_t greetingHeaderCallback(char* bytes, std::size_t size, std::size_t count, void* replies)
{
    const std::size_t total = size * count;
    const std::string_view line(bytes, total);
    // Nothing may escape into libcurl's C frames; a reply not kept only means a refused rename
    // is not told from a refused source.
    try {
        if (line.size() >= 3 && line.substr(0, 3) == "220" && line.find("Microsoft") != std::string_view::npos)
            NetworkManager::sharedManager().setMicrosoft(true);
        if (replies != nullptr)
            static_cast<std::vector<std::string>*>(replies)->emplace_back(line);
    } catch (...) {
    }
    return total;
}

int quietDebugCallback(void*, int, char*, std::size_t, void*)
{
    // The verbose trace goes nowhere; nothing is copied on this path, which sees every byte.
    return 0;
}

std::size_t uploadReadCallback(char* buffer, std::size_t size, std::size_t count, void* record)
{
    auto* transfer = static_cast<TransferData*>(record);
    if (transfer == nullptr || transfer->data == nullptr || transfer->position >= transfer->length)
        return 0;
    const std::size_t n = std::min(size * count, transfer->length - transfer->position);
    std::memcpy(buffer, transfer->data->data() + transfer->position, n);
    transfer->position += n;
    return n;
}

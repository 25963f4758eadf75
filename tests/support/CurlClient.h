#pragma once

#include "tests/support/TestServer.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Plain libcurl, the way a client of the test servers talks to them: nothing of
// the project's own network code is involved. A test program using it calls
// curl_global_init once in main, before any thread starts.
struct CurlResult {
    CURLcode code { CURLE_OK };
    std::string body;
    std::vector<std::string> responseLines; // server lines as received, line ends removed
};

struct CurlRequest {
    std::string url;
    std::string user;
    std::string password;
    long timeoutSeconds { 10 }; // a guard against hangs, not a measurement
    bool upload { false };
    std::string uploadBytes;
};

// A request for `path` below the server's root, logged in as the server's account.
inline CurlRequest curlRequestFor(const TestServer& server, const std::string& path)
{
    CurlRequest request;
    request.url = server.url() + path;
    request.user = server.user();
    request.password = server.password();
    return request;
}

inline CurlResult performCurl(const CurlRequest& request)
{
    struct Io {
        CurlResult result;
        std::string_view pendingUpload;
    } io;
    io.pendingUpload = request.uploadBytes;

    const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> handle(curl_easy_init(), &curl_easy_cleanup);
    if (!handle) {
        io.result.code = CURLE_FAILED_INIT;
        return io.result;
    }
    CURL* curl = handle.get();
    const auto write = +[](char* bytes, size_t size, size_t count, void* user) -> size_t {
        static_cast<Io*>(user)->result.body.append(bytes, size * count);
        return size * count;
    };
    const auto header = +[](char* bytes, size_t size, size_t count, void* user) -> size_t {
        std::string line(bytes, size * count);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        static_cast<Io*>(user)->result.responseLines.push_back(std::move(line));
        return size * count;
    };
    const auto read = +[](char* buffer, size_t size, size_t count, void* user) -> size_t {
        auto& pending = static_cast<Io*>(user)->pendingUpload;
        const size_t n = std::min(size * count, pending.size());
        pending.copy(buffer, n);
        pending.remove_prefix(n);
        return n;
    };
    curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(curl, CURLOPT_USERNAME, request.user.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, request.password.c_str());
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, request.timeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_FTP_USE_EPSV, 0L);
    curl_easy_setopt(
        curl, CURLOPT_SSH_AUTH_TYPES, static_cast<long>(CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, write);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &io);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, header);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &io);
    if (request.upload) {
        curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(curl, CURLOPT_READFUNCTION, read);
        curl_easy_setopt(curl, CURLOPT_READDATA, &io);
        curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(request.uploadBytes.size()));
    }
    io.result.code = curl_easy_perform(curl);
    return io.result;
}

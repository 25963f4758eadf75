#include "Classes/Others/NetworkManager.h"

#include "Classes/Others/FileEntry.h"
#include "Classes/Others/KnownHosts.h"
#include "Classes/Others/NetworkManagerCurl.h"
#include "Classes/Others/QVConnection.h"
#include "Classes/Others/TransferData.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSThread.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {

// Folder names of a start path as the user typed it: each name taken literally.
std::vector<std::string> componentsOfStartPath(const std::string& startPath)
{
    std::vector<std::string> components;
    for (const std::string& component : pathComponents(startPath)) {
        if (component != "/")
            components.push_back(component);
    }
    return components;
}

// A host that would change the URL's meaning (path, user part, query) or break a command line.
bool isUnsafeHost(const std::string& host)
{
    return host.empty() || host.find_first_of("/?#@ \t\r\n", 0) != std::string::npos
        || host.find('\0') != std::string::npos;
}

} // namespace

// libcurl's check of an SFTP server's host key, in place of its own known-hosts check (which
// remembers keys by host name alone and takes a key of another type for a new host): a first
// key of a host and port is remembered, the same key passes, any other is refused, and so is
// every key when the file cannot be read or a first key cannot be stored.
int NetworkManager::hostKeyCheck(void* check, int, const char* key, std::size_t length)
{
    auto* state = static_cast<HostKeyCheck*>(check);
    // No exception may cross libcurl's C frames: a check that fails refuses the key.
    try {
        KnownHosts::Refusal refusal;
        const KnownHosts::Verdict verdict
            = KnownHosts::check(state->path, state->host, state->port, std::string_view(key, length), refusal);
        if (verdict == KnownHosts::Verdict::known || verdict == KnownHosts::Verdict::learned) {
            state->setRefusal({});
            return CURLKHMATCH_OK;
        }
        const std::string text = refusalText(state->path, state->host, state->port, verdict, refusal);
        NSLog(verdict == KnownHosts::Verdict::changed ? "The host key of " + refusal.hostName
                      + " has changed since the last connection: refused to connect"
                                                      : text);
        state->setRefusal(text);
    } catch (...) {
        try {
            state->setRefusal("The host key of " + KnownHosts::shownName(state->host, state->port)
                              + " could not be checked: the connection was refused.");
        } catch (...) {
            // Refused all the same; the message falls back to libcurl's.
        }
    }
    return CURLKHMATCH_MISMATCH;
}

void NetworkManager::HostKeyCheck::setRefusal(std::string text)
{
    std::lock_guard lock(mutex);
    refusalText = std::move(text);
}

std::string NetworkManager::HostKeyCheck::refusal() const
{
    std::lock_guard lock(mutex);
    return refusalText;
}

std::string NetworkManager::refusalText(const std::string& path, const std::string& host, int port,
                                        KnownHosts::Verdict verdict, const KnownHosts::Refusal& refusal)
{
    const std::string shown = KnownHosts::shownName(host, port);
    switch (verdict) {
    case KnownHosts::Verdict::unreadable:
        return "The connection to " + shown + " was refused: the host keys remembered in " + path
            + " could not be read (" + refusal.reason + "), so the server could not be checked.";
    case KnownHosts::Verdict::unstorable:
        return "The connection to " + shown + " was refused: its host key could not be stored in " + path + " ("
            + refusal.reason + "), so it could not be checked at the next connection.";
    default:
        return "The host key of " + shown
            + " differs from the one it showed before: the connection was refused, as another machine may "
              "be answering in its place. The key remembered for it is kept in "
            + path + ", line " + std::to_string(refusal.line)
            + "; removing that line there lets the app learn the new key.";
    }
}

std::vector<std::string> NetworkManager::rememberedKeyTypes(const std::string& path, const std::string& host, int port)
{
    std::vector<KnownHosts::Remembered> keys;
    std::string error;
    if (!KnownHosts::remembered(path, host, port, keys, error)) {
        // Nothing can be checked: refused before a byte goes out.
        hostKeyCheck_.setRefusal(refusalText(path, host, port, KnownHosts::Verdict::unreadable, { {}, 0, error }));
        NSLog(hostKeyCheck_.refusal());
        return {};
    }
    std::vector<std::string> types;
    for (const KnownHosts::Remembered& key : keys) {
        if (std::find(types.begin(), types.end(), key.type) == types.end())
            types.push_back(key.type);
    }
    return types;
}

bool NetworkManager::preferKeyType(void* handle, const std::string& path, const QVConnection& connection,
                                   const std::string& type)
{
    std::vector<KnownHosts::Remembered> keys;
    std::string error;
    if (!KnownHosts::remembered(path, connection.host(), connection.port(), keys, error))
        return false;
    const auto key = std::find_if(keys.begin(), keys.end(), [&](const auto& line) { return line.type == type; });
    const std::string preference = keyTypePreferencePath();
    std::FILE* file = key == keys.end() ? nullptr : std::fopen(preference.c_str(), "we");
    if (file == nullptr) {
        NSLog("Could not tell which host key type to ask for: " + preference);
        return false;
    }
    const std::string line = KnownHosts::hostName(connection.host(), connection.port()) + " " + type + " " + key->key + "\n";
    const bool written = std::fwrite(line.data(), 1, line.size(), file) == line.size();
    if (std::fclose(file) != 0 || !written)
        return false;
    // Kept on the handle: a connection made again during a later operation asks for the same type.
    curl_easy_setopt(static_cast<CURL*>(handle), CURLOPT_SSH_KNOWNHOSTS, preference.c_str());
    return true;
}

bool NetworkManager::offeredNoSuchKeyType(int code) const
{
    if (code != CURLE_FAILED_INIT)
        return false;
    std::lock_guard lock(stateMutex_);
    // libssh2's words when no host key method of the server's is among those asked for.
    return failureWords_.find("Unable to exchange encryption keys") != std::string::npos;
}

std::string NetworkManager::keyTypePreferencePath() const
{
    // One per manager: a reconnect during a later operation reads it again.
    char self[32];
    std::snprintf(self, sizeof self, "%d-%p", static_cast<int>(::getpid()), static_cast<const void*>(this));
    return NSTemporaryDirectory() + "/known_host_type-" + self;
}

namespace {

// The known-hosts file exists, private, before the host-key check reads it or adds a first key
// to it (KnownHosts appends; libcurl is never given this file).
void makePrivateFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) {
        NSLogf("Could not create %s: %s", path.c_str(), std::strerror(errno));
        return;
    }
    (void)::fchmod(fd, 0600);
    ::close(fd);
}

} // namespace

// ---- Life ------------------------------------------------------------------------------------

void NetworkManager::CurlSession::reset()
{
    // The easy handle leaves the multi handle at the end of every perform; the multi handle
    // goes last, closing the connection it keeps.
    curl_easy_cleanup(static_cast<CURL*>(easy_));
    curl_multi_cleanup(static_cast<CURLM*>(multi_));
    easy_ = nullptr;
    multi_ = nullptr;
}

void NetworkManager::CurlSession::reset(void* easy)
{
    reset();
    easy_ = easy;
    if (easy_ != nullptr)
        multi_ = curl_multi_init(); // none: transfers fall back to curl_easy_perform
}

NetworkManager& NetworkManager::sharedManager()
{
    static NetworkManager manager;
    return manager;
}

NetworkManager::NetworkManager()
{
    globalInitialised_ = curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK;
}

NetworkManager::~NetworkManager()
{
    curl_.reset();
    if (globalInitialised_)
        curl_global_cleanup();
}

bool NetworkManager::endRunningOperation()
{
    const auto idle = [this] { return threadStatus() == 0; };
    if (idle())
        return true;
    // A save the person asked for may finish: each of its steps ends by itself when the server
    // stops answering. Anything else only fetches what can be fetched again, and ends now.
    const bool saving = threadStatus() == 4;
    if (saving) {
        NSLog("Waiting for the save to finish before quitting ...");
    } else {
        abortRequested_ = true;
        if (void* multi = curl_.multi()) // out of its wait for the sockets at once
            curl_multi_wakeup(static_cast<CURLM*>(multi));
    }
    // An abort lands at libcurl's next progress call, within about a second; the margin is
    // for a thread that is slow to be scheduled.
    constexpr double kSliceSeconds = 0.1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(stallSeconds_.load() + 5);
    while (!idle()) {
        if (!saving && std::chrono::steady_clock::now() >= deadline)
            return false;
        // The main loop runs, so that a result the worker waits to hand over is taken.
        if (isMainThread())
            (void)RunLoop::main().runUntil(idle, kSliceSeconds);
        else
            std::this_thread::sleep_for(std::chrono::duration<double>(kSliceSeconds));
    }
    return true;
}

void NetworkManager::terminate()
{
    terminating_ = true;
    if (endRunningOperation()) {
        curl_.reset();
        if (globalInitialised_)
            curl_global_cleanup();
        abortRequested_ = false;
        terminating_ = false;
    } else {
        // Freeing the handle under the thread would crash it; the process is ending anyway.
        // The thread stays told to end and to deliver nothing.
        NSLog("The remote operation did not end: its connection is left as it is");
        curl_.abandon();
    }
    globalInitialised_ = false;
    std::lock_guard lock(stateMutex_);
    conn_.reset();
    curDirListening_ = std::make_shared<Entries>();
    delegate_.reset();
    work_ = {};
    naviStack_ = NaviStack();
}

void NetworkManager::setConnection(std::shared_ptr<QVConnection> connection)
{
    if (!globalInitialised_)
        globalInitialised_ = curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK;
    curl_.reset();
    curl_.reset(curl_easy_init());
    ftpNameFacts_ = 0;
    if (curl_.get() != nullptr) // failed performs report to their handle's owner
        curl_easy_setopt(static_cast<CURL*>(curl_.get()), CURLOPT_PRIVATE, static_cast<void*>(this));
    std::lock_guard lock(stateMutex_);
    conn_ = std::move(connection);
}

std::shared_ptr<QVConnection> NetworkManager::conn() const
{
    std::lock_guard lock(stateMutex_);
    return conn_;
}

void NetworkManager::setDelegate(std::weak_ptr<NetworkManagerDelegate> delegate)
{
    std::lock_guard lock(stateMutex_);
    delegate_ = std::move(delegate);
}

std::shared_ptr<NetworkManagerDelegate> NetworkManager::delegate() const
{
    std::lock_guard lock(stateMutex_);
    return delegate_.lock();
}

std::shared_ptr<std::vector<std::shared_ptr<FileEntry>>> NetworkManager::curDirListening() const
{
    std::lock_guard lock(stateMutex_);
    return curDirListening_;
}

void NetworkManager::setCurDirListening(std::shared_ptr<std::vector<std::shared_ptr<FileEntry>>> listing)
{
    std::lock_guard lock(stateMutex_);
    curDirListening_ = std::move(listing);
}

void NetworkManager::setLimits(const Limits& limits)
{
    std::lock_guard lock(stateMutex_);
    limits_ = limits;
}

NetworkManager::Limits NetworkManager::limits() const
{
    std::lock_guard lock(stateMutex_);
    return limits_;
}

void NetworkManager::noteFailure(const std::vector<std::string>& replies, const char* detail)
{
    // An FTP server says why in its reply; SFTP has no reply text, only a status that libcurl
    // puts into words in its detail.
    std::string words = protocol() == Protocol::sftp ? std::string(detail) : lastErrorReply(replies);
    std::lock_guard lock(stateMutex_);
    latestFailureWords_ = words;
    // The first failure is the cause; later ones (a listing, a clean-up) follow from it.
    if (failureWords_.empty())
        failureWords_ = std::move(words);
}

RemoteSave::Outcome NetworkManager::outcomeOfLast(int code) const
{
    std::lock_guard lock(stateMutex_);
    return RemoteSave::outcomeOf(code, code == CURLE_OK ? std::string() : latestFailureWords_);
}

void NetworkManager::forgetFailure()
{
    std::lock_guard lock(stateMutex_);
    failureWords_.clear();
}

void NetworkManager::deliver(NetworkManagerDelegate::Operation operation,
                             std::function<void(NetworkManagerDelegate&)> send, bool wait)
{
    // The application is ending: no screen is told of an operation it ended.
    if (terminating_.load())
        return;
    // The words go with the result, so a later operation cannot change them before it arrives;
    // a result ends its operation (the bytes of a download come just before theirs).
    std::string words;
    {
        std::lock_guard lock(stateMutex_);
        words = failureWords_;
        if (operation != NetworkManagerDelegate::Operation::setData)
            failureWords_.clear();
    }
    // The delegate is looked up only now, on the main thread: the screen that started the
    // operation may have gone, or handed the role to another screen, while it ran.
    auto delivery = [this, operation, send = std::move(send), words = std::move(words)] {
        {
            std::lock_guard lock(stateMutex_);
            lastReplyLine_ = words;
        }
        if (terminating_.load())
            return;
        if (std::shared_ptr<NetworkManagerDelegate> receiver = delegate()) {
            if (receiver->respondsTo(operation))
                send(*receiver);
        }
    };
    performOnMainThread(std::move(delivery), wait);
}

// ---- Work URL --------------------------------------------------------------------------------

std::string NetworkManager::urlFor(const WorkLocation& location)
{
    std::string url = location.base + "/";
    for (const std::string& component : location.components)
        url += escapedPathComponent(component) + "/";
    return url;
}

NetworkManager::WorkLocation NetworkManager::workLocation() const
{
    std::lock_guard lock(stateMutex_);
    return work_;
}

std::string NetworkManager::getWorkUrl() const
{
    return urlFor(workLocation());
}

std::string NetworkManager::getWorkDir() const
{
    const std::string url = getWorkUrl();
    NSLog("Current work dir: " + url);
    return curl2path(url);
}

std::string NetworkManager::curl2path(const std::string& url)
{
    if (url.empty())
        return {};
    std::string full = url;
    if (full.back() != '/')
        full += '/';
    const std::size_t count = pathComponents(full).size();
    if (count < 3)
        return {};
    if (count == 3)
        return "/";
    const std::size_t scheme = full.find("://");
    const std::size_t pathStart = full.find('/', scheme == std::string::npos ? 0 : scheme + 3);
    if (pathStart == std::string::npos)
        return "/";
    std::string path = unescapedPath(full.substr(pathStart));
    if (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string NetworkManager::transferUrl(const std::string& name) const
{
    return getWorkUrl() + escapedPathComponent(name);
}

NetworkManager::Protocol NetworkManager::protocol() const
{
    std::lock_guard lock(stateMutex_);
    return conn_ && conn_->type() == QVConnection::kTypeSFTP ? Protocol::sftp : Protocol::ftp;
}

bool NetworkManager::canCarryName(std::string_view name) const
{
    if (hasUnsafeCharacters(name))
        return false;
    return protocol() == Protocol::sftp
        || std::none_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

std::string NetworkManager::knownHostsPath()
{
    return NSHomeDirectory() + "/known_hosts";
}

std::string NetworkManager::getErrorMessage(int code) const
{
    switch (code) {
    case kCodeUnsafeName:
        return "The name cannot be used: it holds a line break or NUL character, or names no file.";
    case CURLE_URL_MALFORMAT:
        // libcurl refuses control characters in FTP paths however they are escaped.
        return "The address cannot be used: the host or a name on the path holds a character it cannot carry "
               "(over FTP, a tab or any other control character).";
    case kCodeUnencodableText:
        return "The text holds characters that cannot be stored as UTF-8.";
    case kCodeReplaceIncomplete:
        return std::string("The file could not be replaced completely: the new text may stand under the "
                           "temporary name ending in \"")
            + kTemporarySuffix + "\", the original under its own name or one ending in \"" + kAsideSuffix + "\".";
    case kCodeWriteProtected:
        return "The file is write-protected on the server. The text stays in the editor.";
    case kCodeShortUpload:
        return "The server did not keep the whole text.";
    case CURLE_PEER_FAILED_VERIFICATION: {
        const std::string refusal = hostKeyCheck_.refusal();
        if (!refusal.empty())
            return refusal;
        return curl_easy_strerror(CURLE_PEER_FAILED_VERIFICATION);
    }
    default:
        return curl_easy_strerror(static_cast<CURLcode>(code));
    }
}

bool NetworkManager::refusedRetrieval(int code)
{
    return code == CURLE_FTP_COULDNT_RETR_FILE || code == CURLE_REMOTE_FILE_NOT_FOUND;
}

// ---- Connect and listings --------------------------------------------------------------------

std::vector<std::shared_ptr<FileEntry>> NetworkManager::decodeListing(const NSData& bytes)
{
    if (microsoft())
        return parseMicrosoftListing(bytes);
    return parseDirDataList(bytes);
}

void NetworkManager::replaceListing(std::vector<std::shared_ptr<FileEntry>> entries)
{
    auto listing = std::make_shared<std::vector<std::shared_ptr<FileEntry>>>(std::move(entries));
    std::lock_guard lock(stateMutex_);
    curDirListening_ = std::move(listing);
}

bool NetworkManager::beginOperation(int status, std::function<void()> work)
{
    if (status <= 0 || !work) {
        NSLogf("No remote operation %d to start", status);
        return false;
    }
    if (terminating_.load()) {
        NSLogf("The application is ending; the remote operation %d is not started", status);
        return false;
    }
    int running = 0;
    if (!threadStatus_.compare_exchange_strong(running, status)) {
        NSLogf("A remote operation (%d) is still running; the new one (%d) is not started", running, status);
        return false;
    }
    try {
        performInBackground([this, work = std::move(work)] {
            // Cleared however the work ends (the thread swallows what escapes it).
            struct Finish {
                std::atomic<std::thread::id>& thread;
                std::atomic<int>& status;
                ~Finish()
                {
                    thread = std::thread::id();
                    status = 0;
                }
            } finish { begunOperationThread_, threadStatus_ };
            begunOperationThread_ = std::this_thread::get_id();
            work();
        });
    } catch (const std::exception& e) {
        threadStatus_ = 0;
        NSLogf("Could not start the remote operation %d: %s", status, e.what());
        return false;
    }
    return true;
}

void NetworkManager::connect()
{
    ThreadStatusScope busy(threadStatus_, 1, runsBegunOperation());
    forgetFailure();
    NSLogf("CURL INFO: %s", curl_version());
    CURL* curl = static_cast<CURL*>(curl_.get());
    std::shared_ptr<QVConnection> connection = conn();
    const Limits limit = limits();

    int code = CURLE_OK;
    NSData bytes;
    if (curl == nullptr || connection == nullptr) {
        code = CURLE_FAILED_INIT;
    } else {
        if (connection->port() == 22)
            connection->setType(QVConnection::kTypeSFTP);
        const bool sftp = connection->type() == QVConnection::kTypeSFTP;
        WorkLocation location;
        location.base = std::string(sftp ? "sftp://" : "ftp://") + connection->host() + ":"
            + std::to_string(connection->port());
        location.components = componentsOfStartPath(connection->startPath());
        const std::string url = urlFor(location);
        {
            std::lock_guard lock(stateMutex_);
            work_ = location;
        }
        naviStack_.setBaseURL(url);
        microsoft_ = false;
        hostKeyCheck_.host = connection->host();
        hostKeyCheck_.port = connection->port();
        hostKeyCheck_.setRefusal({});

        if (isUnsafeHost(connection->host()) || hasUnsafeCharacters(connection->username())
            || hasUnsafeCharacters(connection->password())
            || std::any_of(location.components.begin(), location.components.end(), hasUnsafeCharacters)) {
            NSLog("Refused to connect: the host, user name, password or start path holds characters that "
                  "cannot be sent to a server");
            code = isUnsafeHost(connection->host()) ? int(CURLE_URL_MALFORMAT) : int(kCodeUnsafeName);
        } else {
            const std::string knownHosts = knownHostsPath();
            std::vector<std::string> keyTypes;
            // No key type asked for unless one is remembered for this host (set again below).
            curl_easy_setopt(curl, CURLOPT_SSH_KNOWNHOSTS, static_cast<const char*>(nullptr));
            if (sftp) {
                curl_easy_setopt(curl, CURLOPT_SSH_AUTH_TYPES, static_cast<long>(CURLSSH_AUTH_ANY));
                // The password goes only to the machine that answered the first time.
                makePrivateFile(knownHosts);
                hostKeyCheck_.path = knownHosts;
                curl_easy_setopt(curl, CURLOPT_SSH_HOSTKEYFUNCTION, &NetworkManager::hostKeyCheck);
                curl_easy_setopt(curl, CURLOPT_SSH_HOSTKEYDATA, static_cast<void*>(&hostKeyCheck_));
                keyTypes = rememberedKeyTypes(knownHosts, connection->host(), connection->port());
            }
            curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
            curl_easy_setopt(curl, CURLOPT_USERNAME, connection->username().c_str());
            curl_easy_setopt(curl, CURLOPT_PASSWORD, connection->password().c_str());
            curl_easy_setopt(curl, CURLOPT_FTP_RESPONSE_TIMEOUT, limit.serverResponseSeconds);
            // No cap on a transfer that keeps moving (a large file on a slow line takes what it
            // takes); one that moves no byte for the stall time ends (every perform watches for
            // that, see TransferOptionsScope), and so does a connect that gets nowhere.
            curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, limit.stallSeconds);
            stallSeconds_ = limit.stallSeconds;
            curl_easy_setopt(curl, CURLOPT_FTP_USE_EPSV, 0L);
            curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);
            curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &greetingHeaderCallback);
            curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, &quietDebugCallback);

            listsHiddenEntries_ = true;
            if (sftp && !hostKeyCheck_.refusal().empty()) {
                code = CURLE_PEER_FAILED_VERIFICATION; // the remembered keys could not be read
            } else {
                // One try per remembered key type, in the order of their lines, while the server
                // offers none of the type asked for; a host never met asks for none.
                std::size_t tried = 0;
                do {
                    if (!keyTypes.empty() && !preferKeyType(curl, knownHosts, *connection, keyTypes[tried])) {
                        keyTypes.clear();
                        curl_easy_setopt(curl, CURLOPT_SSH_KNOWNHOSTS, static_cast<const char*>(nullptr));
                    }
                    forgetFailure();
                    code = performListing(url, bytes, nullptr, nullptr);
                } while (sftp && ++tried < keyTypes.size() && offeredNoSuchKeyType(code));
                if (sftp && !keyTypes.empty() && offeredNoSuchKeyType(code)) {
                    std::string types;
                    for (const std::string& type : keyTypes)
                        types += (types.empty() ? "" : ", ") + type;
                    const std::string text = "The connection to "
                        + KnownHosts::shownName(connection->host(), connection->port())
                        + " was refused: the server offers none of the host key types remembered for it (" + types
                        + "), as another machine may be answering in its place. Its keys are kept in " + knownHosts
                        + "; removing its lines there lets the app learn the new key.";
                    NSLog(text);
                    hostKeyCheck_.setRefusal(text);
                    code = CURLE_PEER_FAILED_VERIFICATION;
                }
            }
            NSLog("connectTo is done!");
            if (sftp)
                (void)::chmod(knownHosts.c_str(), 0600);
        }
    }

    // A failed connect still leaves a listing: what arrived, usually nothing.
    try {
        replaceListing(decodeListing(bytes));
    } catch (const std::exception& e) {
        NSLogf("Exception occured while decoding the listing: %s", e.what());
        replaceListing({});
    }
    deliver(NetworkManagerDelegate::Operation::finishedConnectingwithCode,
            [code](NetworkManagerDelegate& receiver) { receiver.finishedConnectingwithCode(code); }, true);
}

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
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <sys/stat.h>
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
// key of a host and port is remembered, the same key passes, any other is refused.
int NetworkManager::hostKeyCheck(void* check, int, const char* key, std::size_t length)
{
    auto* state = static_cast<HostKeyCheck*>(check);
    // No exception may cross libcurl's C frames: a check that fails refuses the key, naming no line.
    try {
        KnownHosts::Refusal refusal;
        if (KnownHosts::check(state->path, state->host, state->port, std::string_view(key, length), refusal)
            != KnownHosts::Verdict::changed)
            return CURLKHMATCH_OK;
        state->refusal = std::move(refusal);
    } catch (...) {
        state->refusal = KnownHosts::Refusal {};
    }
    state->changed = true;
    return CURLKHMATCH_MISMATCH;
}

namespace {

// The known-hosts file exists, private, before libssh2 reads or rewrites it (rewriting keeps
// the mode of a file that is there).
void makePrivateFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
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

void NetworkManager::terminate()
{
    curl_.reset();
    if (globalInitialised_)
        curl_global_cleanup();
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
    // The first failure is the cause; later ones (a listing, a clean-up) follow from it.
    if (failureWords_.empty())
        failureWords_ = std::move(words);
}

void NetworkManager::forgetFailure()
{
    std::lock_guard lock(stateMutex_);
    failureWords_.clear();
}

void NetworkManager::deliver(NetworkManagerDelegate::Operation operation,
                             std::function<void(NetworkManagerDelegate&)> send, bool wait)
{
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
        if (std::shared_ptr<NetworkManagerDelegate> receiver = delegate()) {
            if (receiver->respondsTo(operation))
                send(*receiver);
        }
    };
    performOnMainThread(std::move(delivery), wait);
}

// ---- Callbacks -------------------------------------------------------------------------------

std::size_t NetworkManager::listWriteCallback(char* bytes, std::size_t size, std::size_t count, void* record)
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

std::size_t NetworkManager::greetingHeaderCallback(char* bytes, std::size_t size, std::size_t count, void* replies)
{
    const std::size_t total = size * count;
    const std::string_view line(bytes, total);
    if (line.size() >= 3 && line.substr(0, 3) == "220" && line.find("Microsoft") != std::string_view::npos)
        sharedManager().setMicrosoft(true);
    if (replies != nullptr) {
        try {
            static_cast<std::vector<std::string>*>(replies)->emplace_back(line);
        } catch (const std::exception&) {
            // A reply not kept only means a refused rename is not told from a refused source.
        }
    }
    return total;
}

int NetworkManager::quietDebugCallback(void*, int, char*, std::size_t, void*)
{
    // The verbose trace goes nowhere; nothing is copied on this path, which sees every byte.
    return 0;
}

std::size_t NetworkManager::uploadReadCallback(char* buffer, std::size_t size, std::size_t count, void* record)
{
    auto* transfer = static_cast<TransferData*>(record);
    if (transfer == nullptr || transfer->data == nullptr || transfer->position >= transfer->length)
        return 0;
    const std::size_t n = std::min(size * count, transfer->length - transfer->position);
    std::memcpy(buffer, transfer->data->data() + transfer->position, n);
    transfer->position += n;
    return n;
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
    case CURLE_PEER_FAILED_VERIFICATION: {
        std::lock_guard lock(stateMutex_);
        if (!changedKeyHost_.empty())
            return "The host key of " + changedKeyHost_
                + " differs from the one it showed before: the connection was refused, as another machine may "
                  "be answering in its place. The key remembered for it is kept in "
                + knownHostsPath() + ", line " + std::to_string(changedKeyLine_)
                + "; removing that line there lets the app learn the new key.";
        return curl_easy_strerror(CURLE_PEER_FAILED_VERIFICATION);
    }
    default:
        return curl_easy_strerror(static_cast<CURLcode>(code));
    }
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
    int running = 0;
    if (!threadStatus_.compare_exchange_strong(running, status)) {
        NSLogf("A remote operation (%d) is still running; the new one (%d) is not started", running, status);
        return false;
    }
    try {
        performInBackground([this, work = std::move(work)] {
            // Cleared however the work ends (the thread swallows what escapes it).
            struct Finish {
                std::atomic<int>& status;
                ~Finish()
                {
                    runningBegunOperation = false;
                    status = 0;
                }
            } finish { threadStatus_ };
            runningBegunOperation = true;
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
    ThreadStatusScope busy(threadStatus_, 1);
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
        hostKeyCheck_.changed = false;
        hostKeyCheck_.host = connection->host();
        hostKeyCheck_.port = connection->port();
        {
            std::lock_guard lock(stateMutex_);
            changedKeyHost_.clear();
        }

        if (isUnsafeHost(connection->host()) || hasUnsafeCharacters(connection->username())
            || hasUnsafeCharacters(connection->password())
            || std::any_of(location.components.begin(), location.components.end(), hasUnsafeCharacters)) {
            NSLog("Refused to connect: the host, user name, password or start path holds characters that "
                  "cannot be sent to a server");
            code = isUnsafeHost(connection->host()) ? int(CURLE_URL_MALFORMAT) : int(kCodeUnsafeName);
        } else {
            const std::string knownHosts = knownHostsPath();
            if (sftp) {
                curl_easy_setopt(curl, CURLOPT_SSH_AUTH_TYPES, static_cast<long>(CURLSSH_AUTH_ANY));
                // The password goes only to the machine that answered the first time.
                makePrivateFile(knownHosts);
                hostKeyCheck_.path = knownHosts;
                curl_easy_setopt(curl, CURLOPT_SSH_HOSTKEYFUNCTION, &NetworkManager::hostKeyCheck);
                curl_easy_setopt(curl, CURLOPT_SSH_HOSTKEYDATA, static_cast<void*>(&hostKeyCheck_));
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
            curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &NetworkManager::greetingHeaderCallback);
            curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, &NetworkManager::quietDebugCallback);

            listsHiddenEntries_ = true;
            code = performListing(url, bytes, nullptr, nullptr);
            NSLog("connectTo is done!");
            if (sftp) {
                (void)::chmod(knownHosts.c_str(), 0600);
                if (hostKeyCheck_.changed.load()) {
                    NSLog("The host key of " + hostKeyCheck_.refusal.hostName
                          + " has changed since the last connection: refused to connect");
                    std::lock_guard lock(stateMutex_);
                    changedKeyHost_ = hostKeyCheck_.refusal.hostName;
                    changedKeyLine_ = hostKeyCheck_.refusal.line;
                }
            }
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

bool NetworkManager::changeWorkDir(const std::string& dir)
{
    return changeWorkDir(ChangeDirRequest { dir });
}

bool NetworkManager::changeWorkDir(const ChangeDirRequest& request)
{
    ThreadStatusScope busy(threadStatus_, 2);
    return changeCWorkDir(request);
}

bool NetworkManager::changeCWorkDir(const std::string& dir)
{
    return changeCWorkDir(ChangeDirRequest { dir });
}

bool NetworkManager::changeCWorkDir(const ChangeDirRequest& request)
{
    return changeCWorkDir(request.dir, {}, false, request.progress, request.pdata);
}

bool NetworkManager::changeCWorkDir(const std::string& dir, const std::vector<std::string>& commands,
                                    bool skipListing, TransferProgressFunction progress, void* progressData)
{
    ReloadResult result;
    return changeDirectory(dir, commands, skipListing, progress, progressData, result);
}

int NetworkManager::performCommands(const std::vector<std::string>& commands)
{
    return performCommands(commands, workLocation());
}

int NetworkManager::performCommands(const std::vector<std::string>& commands, const WorkLocation& folder,
                                    std::vector<std::string>* replies)
{
    CURL* curl = static_cast<CURL*>(curl_.get());
    if (curl == nullptr)
        return CURLE_FAILED_INIT;
    CurlStringList list;
    for (const std::string& command : commands) {
        if (!list.append(command))
            return CURLE_OUT_OF_MEMORY;
    }
    const std::string url = urlFor(folder);
    int code = CURLE_OK;
    {
        TransferOptionsScope options(curl, curl_.multi(), stallSeconds_.load());
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        // FTP commands act where the connection stands after moving into the folder, that is
        // after the transfer; SFTP commands carry full paths, so before it is as good.
        if (protocol() == Protocol::sftp)
            options.setQuote(list.get());
        else
            options.setPostQuote(list.get());
        options.setNoBody();
        options.setWrite(&NetworkManager::listWriteCallback, nullptr);
        if (replies != nullptr)
            options.setReplies(replies);
        TransferData none;
        code = options.perform(none);
    }
    NSLogf("Commands returned %d", code);
    const std::string workUrl = getWorkUrl();
    curl_easy_setopt(curl, CURLOPT_URL, workUrl.c_str());
    return code;
}

int NetworkManager::listFolder(const WorkLocation& folder, NSData& bytes)
{
    CURL* curl = static_cast<CURL*>(curl_.get());
    if (curl == nullptr)
        return CURLE_FAILED_INIT;
    const int code = performListing(urlFor(folder), bytes, nullptr, nullptr);
    const std::string workUrl = getWorkUrl();
    curl_easy_setopt(curl, CURLOPT_URL, workUrl.c_str());
    return code;
}

int NetworkManager::lookUpName(const std::string& name, bool& held)
{
    held = false;
    NSData bytes;
    const int code = listFolder(workLocation(), bytes);
    if (code != CURLE_OK)
        return code;
    try {
        const Entries entries = decodeListing(bytes);
        held = std::any_of(entries.begin(), entries.end(), [&name](const auto& entry) { return entry->name() == name; });
    } catch (const std::exception& e) {
        NSLogf("Exception occured while decoding the listing: %s", e.what());
        return CURLE_FAILED_INIT;
    }
    return CURLE_OK;
}

int NetworkManager::performListing(const std::string& url, NSData& bytes, TransferProgressFunction progress,
                                   void* progressData)
{
    CURL* curl = static_cast<CURL*>(curl_.get());
    if (curl == nullptr)
        return CURLE_FAILED_INIT;
    auto list = [&](const char* command) {
        bytes.clear();
        TransferData record;
        record.kind = TransferData::kListing;
        record.data = &bytes;
        record.limit = limits().listingBytes;
        TransferOptionsScope options(curl, curl_.multi(), stallSeconds_.load());
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        options.setWrite(&NetworkManager::listWriteCallback, &record);
        options.setProgress(progress, progressData);
        if (command != nullptr)
            options.setCustomRequest(command);
        return options.perform(record);
    };
    // SFTP lists every name; many FTP servers leave out those beginning with "." unless asked.
    if (protocol() != Protocol::ftp || !listsHiddenEntries_.load())
        return list(nullptr);
    std::string earlierWords;
    {
        std::lock_guard lock(stateMutex_);
        earlierWords = failureWords_;
    }
    const int code = list(kListHiddenCommand);
    // An empty answer may come from a server that took "-a" for a name to look for.
    if ((code == CURLE_OK && !bytes.empty()) || (code != CURLE_OK && code != CURLE_FTP_COULDNT_RETR_FILE))
        return code;
    {
        // The refusal of the option is no failure of the operation.
        std::lock_guard lock(stateMutex_);
        failureWords_ = std::move(earlierWords);
    }
    const int plain = list(nullptr);
    // Refused, or taken for a name where the folder holds some: the option is not understood.
    if (plain == CURLE_OK && (code != CURLE_OK || !bytes.empty())) {
        NSLogf("The server refused \"%s\": names beginning with \".\" may be missing from its listings",
               kListHiddenCommand);
        listsHiddenEntries_ = false;
    }
    return plain;
}

bool NetworkManager::changeDirectory(const std::string& dir, const std::vector<std::string>& commands,
                                     bool skipListing, TransferProgressFunction progress, void* progressData,
                                     ReloadResult& result)
{
    forgetFailure();
    auto reload = [this, &result] {
        deliver(NetworkManagerDelegate::Operation::needsReload,
                [result](NetworkManagerDelegate& receiver) { receiver.needsReloadWithResult(result); }, true);
    };
    if (hasUnsafeCharacters(dir)) {
        NSLog("Refused to change to a folder whose name holds a line break or NUL character");
        result.listingCode = kCodeUnsafeName;
        reload(); // the screen waits for it to end its busy display
        return false;
    }
    CURL* curl = static_cast<CURL*>(curl_.get());
    if (curl == nullptr) {
        // Commands never sent did not work either.
        if (!commands.empty())
            result.commandCode = CURLE_FAILED_INIT;
        result.listingCode = CURLE_FAILED_INIT;
        reload();
        return false;
    }

    if (!commands.empty())
        result.commandCode = performCommands(commands);

    WorkLocation target = workLocation();
    if (dir == "..") {
        if (!target.components.empty())
            target.components.pop_back();
    } else if (dir != "." && !dir.empty()) {
        target.components.push_back(dir);
    }
    const std::string url = urlFor(target);
    if (dir != ".")
        NSLog("Changing to URL " + url + " ...");

    NSData bytes;
    int code = CURLE_OK;
    std::vector<std::shared_ptr<FileEntry>> entries;
    try {
        code = performListing(url, bytes, progress, progressData);
        if (code == CURLE_OK && !skipListing)
            entries = decodeListing(bytes);
    } catch (const std::exception& e) {
        NSLog("Exception occured while performing curl operation! :(");
        result.listingCode = CURLE_FAILED_INIT;
        reload();
        return false;
    }

    if (code != CURLE_OK) {
        // The previous folder and its listing stand; the handle goes back to its URL. The
        // command before it, if any, keeps its own result: it may well have worked.
        NSLogf("Listing %s failed with code %d", url.c_str(), code);
        const std::string workUrl = getWorkUrl();
        curl_easy_setopt(curl, CURLOPT_URL, workUrl.c_str());
        result.listingCode = code;
        if (!skipListing)
            reload();
        return true;
    }
    {
        std::lock_guard lock(stateMutex_);
        work_ = std::move(target);
    }
    if (skipListing)
        return true;
    replaceListing(std::move(entries));
    NSLog("All done!");
    reload();
    return true;
}

// ---- Remote commands -------------------------------------------------------------------------

int NetworkManager::runCommand(ReloadResult::Command command, std::initializer_list<std::string> names,
                               std::vector<std::string> ftp, std::vector<std::string> sftp)
{
    ReloadResult result;
    result.command = command;
    result.commandName = names.size() > 0 ? *names.begin() : std::string();
    for (const std::string& name : names) {
        if (name.empty() || hasUnsafeCharacters(name)) {
            NSLog("Refused a command on a name that is empty or holds a line break or NUL character");
            forgetFailure();
            result.commandCode = kCodeUnsafeName;
            deliver(NetworkManagerDelegate::Operation::needsReload,
                    [result](NetworkManagerDelegate& receiver) { receiver.needsReloadWithResult(result); }, true);
            return kCodeUnsafeName;
        }
    }
    changeDirectory(".", protocol() == Protocol::sftp ? sftp : ftp, false, nullptr, nullptr, result);
    return result.commandCode.value_or(CURLE_FAILED_INIT);
}

int NetworkManager::renameFile(const std::string& from, const std::string& to)
{
    const std::string dir = getWorkDir();
    return runCommand(ReloadResult::Command::rename, { from, to }, { "RNFR " + from, "RNTO " + to },
                      { "rename " + quotedSftpPath(stringByAppendingPathComponent(dir, from)) + " "
                        + quotedSftpPath(stringByAppendingPathComponent(dir, to)) });
}

int NetworkManager::deleteFile(const std::string& name)
{
    CURL* curl = static_cast<CURL*>(curl_.get());
    if (curl != nullptr)
        curl_easy_setopt(curl, CURLOPT_FAILONERROR, 0L);
    const std::string dir = getWorkDir();
    // The directory and the name joined with one slash as they stand: "//name" at the root.
    const int code = runCommand(ReloadResult::Command::deleteFile, { name }, { "DELE " + name },
                                { "rm " + quotedSftpPath(dir + "/" + name) });
    if (curl != nullptr)
        curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    return code;
}

int NetworkManager::deleteFolder(const std::string& name)
{
    const std::string dir = getWorkDir();
    return runCommand(ReloadResult::Command::deleteFolder, { name }, { "RMD " + name },
                      { "rmdir " + quotedSftpPath(stringByAppendingPathComponent(dir, name)) });
}

int NetworkManager::createFolder(const std::string& name)
{
    const std::string dir = getWorkDir();
    return runCommand(ReloadResult::Command::createFolder, { name }, { "MKD " + name },
                      { "mkdir " + quotedSftpPath(stringByAppendingPathComponent(dir, name)) });
}

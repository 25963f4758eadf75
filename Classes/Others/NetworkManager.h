#pragma once

#include "Classes/Others/EncodedString.h"
#include "Classes/Others/FileEntry.h"
#include "Classes/Others/KnownHosts.h"
#include "Platform/Foundation/NSData.h"
#include "Platform/Foundation/NSObject.h"
#include "Platform/Foundation/NSStringEncoding.h"

#include "Classes/Others/ChangeDirRequest.h"
#include "Classes/Others/DownloadRequest.h"
#include "Classes/Others/NaviStack.h"
#include "Classes/Others/NetworkManagerDelegate.h"
#include "Classes/Others/RemoteSave.h"
#include "Classes/Others/UploadRequest.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

class QVConnection;

// The one FTP/SFTP connection of the process, on one libcurl easy handle. Every operation runs
// synchronously on the calling thread; results reach the delegate on the main thread. One
// operation at a time: the screens start nothing while threadStatus() is above 0.
class NetworkManager : public NSObject {
public:
    using Entries = std::vector<std::shared_ptr<FileEntry>>;

    // ---- Connection, directories and commands ------------------------------------------
    // Transfer codes of our own, beyond libcurl's range, for input refused before any transfer
    // and for a replacing upload that stopped half-way. getErrorMessage() has their texts.
    enum LocalCode : int {
        kCodeUnsafeName = 1001,        // a CR, LF or NUL in a name, or a name that names no file
        kCodeUnencodableText = 1002,   // the text cannot be written as UTF-8
        kCodeReplaceIncomplete = 1003, // the swap stopped after the new text arrived; the log tells
                                       // which names hold which text
        kCodeWriteProtected = 1004,    // the original lacks its owner's write bit
        kCodeShortUpload = 1005,       // the server kept fewer bytes than were sent
    };
    // Every save uploads to the name followed by this, then renames it into place.
    static constexpr const char* kTemporarySuffix = "_##_";
    // Where an SFTP save keeps the original until the new text has its name.
    static constexpr const char* kAsideSuffix = "_#old#_";
    // Links followed from a saved name to the file that takes the text.
    static constexpr int kMostLinksFollowed = 8;

    // Time and memory limits of every transfer. Tests shorten them; the values here are the
    // product's.
    struct Limits {
        long serverResponseSeconds { 20 }; // each reply of an FTP server
        // A transfer (or a connect) that moves no byte for this long ends with libcurl's
        // time-out; one that keeps moving may take as long as it needs.
        long stallSeconds { 25 };
        std::size_t listingBytes { std::size_t(64) << 20 };
        // Screens refuse files above 10 MB; the margin covers listings that understate sizes.
        std::size_t downloadBytes { std::size_t(16) << 20 };
    };

    static NetworkManager& sharedManager();

    NetworkManager(const NetworkManager&) = delete;
    NetworkManager& operator=(const NetworkManager&) = delete;

    // Releases the transfer handle and libcurl's global state (at application termination),
    // once the background operation that uses them has ended: a save is waited for (its own
    // stall watch ends a step that hangs), any other operation is aborted. Main thread; the
    // main loop runs meanwhile, so a result the operation waits to hand over is taken (and
    // dropped: nothing is delivered during termination).
    void terminate();
    // A new transfer handle (every option back to libcurl's defaults) for `connection`.
    void setConnection(std::shared_ptr<QVConnection> connection);
    // Nothing to do: each transfer ends its own connection use. Kept for the screens.
    void stopConnecting() {}
    void disconnect() {}

    [[nodiscard]] std::shared_ptr<QVConnection> conn() const;
    // Not owned: looked up on the main thread when a result is delivered; a delegate that is
    // gone by then gets nothing.
    void setDelegate(std::weak_ptr<NetworkManagerDelegate> delegate);
    [[nodiscard]] std::shared_ptr<NetworkManagerDelegate> delegate() const;
    // 0 idle, 1 connect, 2 change of directory, 3 text download, 4 upload, 5 binary download.
    [[nodiscard]] int threadStatus() const { return threadStatus_.load(); }
    [[nodiscard]] bool isBusy() const { return threadStatus() > 0; }
    // Starts `work`, a call of one background entry point below, on a background thread. The
    // manager is marked busy with `status` (1 to 5) here, on the calling (main) thread, before
    // the thread exists, so a second operation asked for in between is refused: false, logged,
    // when one runs already. The status goes back to 0 when the work has ended.
    bool beginOperation(int status, std::function<void()> work);
    [[nodiscard]] bool microsoft() const { return microsoft_.load(); }
    void setMicrosoft(bool microsoft) { microsoft_.store(microsoft); }
    [[nodiscard]] NaviStack& naviStack() { return naviStack_; }
    // The last listing. The directory screen sorts and prunes the array in place; the next
    // listing replaces it with a new one.
    [[nodiscard]] std::shared_ptr<Entries> curDirListening() const;
    void setCurDirListening(std::shared_ptr<Entries> listing);

    void setLimits(const Limits& limits);
    [[nodiscard]] Limits limits() const;

    // Logs in, lists the start directory and delivers finishedConnectingwithCode (waiting).
    void connect();
    // Background entry of a directory change: busy (2) while changeCWorkDir runs.
    bool changeWorkDir(const std::string& dir);
    bool changeWorkDir(const ChangeDirRequest& request);
    bool changeCWorkDir(const std::string& dir);
    bool changeCWorkDir(const ChangeDirRequest& request);
    // The listing engine: runs `commands` in the work directory (none when empty), changes to
    // `dir` ("." stays, ".." goes up, anything else is a folder name in the work directory),
    // lists it and delivers needsReload. A failed listing keeps the previous work directory and
    // listing. Answers false when the name was refused or the perform failed unexpectedly.
    bool changeCWorkDir(const std::string& dir, const std::vector<std::string>& commands, bool skipListing,
                        TransferProgressFunction progress, void* progressData);

    // Remote commands in the work directory, each followed by a new listing and needsReload.
    // Answer the command's transfer code (0: done).
    int renameFile(const std::string& from, const std::string& to);
    int deleteFile(const std::string& name);
    int deleteFolder(const std::string& name);
    int createFolder(const std::string& name);
    // Whether the work directory holds an entry named `name` on the server now, by a fresh
    // listing (the screen's may be minutes old): sets `held` and answers 0, or answers the
    // listing's failure code. Waits; call it when no operation runs.
    [[nodiscard]] int lookUpName(const std::string& name, bool& held);
    // Whether the connected server can be sent `name` at all: never with a line break or NUL
    // (they would end a command), and over FTP with no other control character either (libcurl
    // refuses them in a path however they are escaped).
    [[nodiscard]] bool canCarryName(std::string_view name) const;

    // The work directory's URL, each component escaped once, ending in "/".
    [[nodiscard]] std::string getWorkUrl() const;
    // The work directory's path, decoded: "/" at the root, "/a/b" below.
    [[nodiscard]] std::string getWorkDir() const;
    // The decoded path of a URL without its final slash; "/" for a root URL, "" for anything
    // shorter or empty.
    [[nodiscard]] static std::string curl2path(const std::string& url);
    // English text for a transfer code (libcurl's, or ours above). A refused SFTP host key
    // names the host.
    [[nodiscard]] std::string getErrorMessage(int code) const;
    // The server refused to send a file or listing (libcurl calls it not found or not retrieved,
    // whatever the server's reply said).
    [[nodiscard]] static bool refusedRetrieval(int code);
    // The SFTP host keys met so far, one per key type of a host and port, in OpenSSH's form;
    // mode 0600.
    [[nodiscard]] static std::string knownHostsPath();

    // ---- Downloads and uploads ---------------------------------------------------------
    // A text file into memory: setData with the bytes, then downloadedFile with the code.
    void downloadFile(const DownloadRequest& request);
    // The server's own words for the first failure of the operation whose result was delivered
    // last (a download, a command, an upload): its error reply (e.g. "550 Permission denied."),
    // or for SFTP libcurl's detail of the server's status; empty when it gave none or nothing
    // failed. Read it on the main thread with a result that reports a failure.
    [[nodiscard]] std::string lastReplyLine() const;
    void downloadFile(const std::string& name) { downloadFile(DownloadRequest { name }); }
    // A copy in the private temporary folder: the delegate's binaryDownloadEntry() gets its
    // localPath on success, then downloadedBinary with the code.
    void downloadBinaryFile(const DownloadRequest& request);
    void downloadBinaryFile(const std::string& name) { downloadBinaryFile(DownloadRequest { name }); }
    // Background entry of a save: busy (4) while the upload runs.
    void uploadASCII(const UploadRequest& request);
    // Stores `text` under `name` in the work directory, in `encoding` (the one the file was read
    // with) when every character fits it, else as UTF-8, which the report says; queues
    // uploadedFileWithReport and answers the code. The text goes to a free temporary name first
    // and takes the name only once it has arrived whole, with the mode the original had; the
    // original stays until then. Nothing this save did not write itself is removed or written
    // over: left-overs of earlier saves stay and are named in the report. A link keeps pointing
    // where it did: its target takes the text. A `listed` file found missing is made anew with
    // `listedMode` (the mode its listing showed); without one the report tells the mode it got.
    int uploadASCII(const std::string& name, const std::u16string& text,
                    NSStringEncoding encoding = NSUTF8StringEncoding, bool listed = false,
                    std::optional<unsigned> listedMode = std::nullopt);
    // Writes `content` to the private temporary folder under the last component of `name`,
    // replacing an older copy; nullopt when the name names no file or the old copy stays.
    [[nodiscard]] std::optional<std::string> cacheFile(const std::string& name, const NSData& content);

    // Downloaded bytes -> text: UTF-8, else ISO Latin 1, else ASCII, else "" with encoding 0.
    [[nodiscard]] static EncodedString getStringFromData(const NSData& data);

private:
    NetworkManager();
    ~NetworkManager();

    // The connection's easy handle and the multi handle that runs its transfers; the multi
    // handle keeps the control connection open from one transfer to the next. Opaque here:
    // only the manager's source files include libcurl.
    class CurlSession {
    public:
        CurlSession() = default;
        ~CurlSession() { reset(); }
        CurlSession(const CurlSession&) = delete;
        CurlSession& operator=(const CurlSession&) = delete;

        [[nodiscard]] void* get() const noexcept { return easy_; }
        [[nodiscard]] void* multi() const noexcept { return multi_; }
        // Both handles away, which closes the connection.
        void reset();
        // Takes `easy` (may be null) with a fresh multi handle.
        void reset(void* easy);
        // Lets go of both handles without cleaning them up: for a thread that may still use them.
        void abandon() noexcept
        {
            easy_ = nullptr;
            multi_ = nullptr;
        }

    private:
        void* easy_ { nullptr };
        void* multi_ { nullptr };
    };
    enum class Protocol { ftp, sftp };
    // Where the connection stands: scheme, host and port, and the decoded folder names.
    struct WorkLocation {
        std::string base; // "ftp://host:port"
        std::vector<std::string> components;
    };

    [[nodiscard]] static std::string urlFor(const WorkLocation& location);
    [[nodiscard]] WorkLocation workLocation() const;
    [[nodiscard]] std::string transferUrl(const std::string& name) const;
    // A name for a local file: not empty, ".", ".." or "/", and free of CR, LF and NUL.
    [[nodiscard]] static bool isSafeLocalName(const std::string& name);
    [[nodiscard]] Protocol protocol() const;
    [[nodiscard]] Entries decodeListing(const NSData& bytes);
    void replaceListing(Entries entries);
    // After a command that worked whose folder could not be listed again: the renamed entry
    // shows its new name, a deleted one goes.
    void mendListingAfter(const ReloadResult& result);
    // Runs the commands in a folder (the work directory when none is given), without a
    // transfer; answers the code. `replies` receives the server's reply lines.
    [[nodiscard]] int performCommands(const std::vector<std::string>& commands);
    [[nodiscard]] int performCommands(const std::vector<std::string>& commands, const WorkLocation& folder,
                                      std::vector<std::string>* replies = nullptr);
    // A listing of a folder into `bytes`, leaving curDirListening alone; `request` replaces the
    // listing command (FTP) where given.
    [[nodiscard]] int listFolder(const WorkLocation& folder, NSData& bytes, const std::string& request = {});
    // Every listing's transfer (the start folder's, a directory change's, a folder looked at):
    // the folder at `url` into `bytes`, with the names beginning with "." on FTP servers that
    // take kListHiddenCommand, the plain listing on those that refuse it (remembered for the
    // connection). Leaves the handle's URL at `url`.
    [[nodiscard]] int performListing(const std::string& url, NSData& bytes, TransferProgressFunction progress,
                                     void* progressData);
    // One listing transfer of the folder at `url` into `bytes`, with `command` in place of the
    // plain listing command where given.
    [[nodiscard]] int listOnce(const std::string& url, NSData& bytes, const char* command,
                               TransferProgressFunction progress, void* progressData);
    static constexpr const char* kListHiddenCommand = "LIST -a";

    // One name of a save, as the server shows it now: asked by name, or a listing of its folder.
    struct RemoteFile {
        WorkLocation folder;
        std::string name;
        bool exists { false };
        bool isDirectory { false };
        bool isLink { false };
        std::optional<unsigned> mode;   // from the listing's permission text
        std::string link;               // the target, when the name is a symbolic link
        std::vector<std::string> names; // what the folder holds: all of it, or of the names asked
        std::map<std::string, std::int64_t> sizes; // the listed sizes, by name
        bool whole { true };            // `names` is the whole folder (a listing of it)
        [[nodiscard]] std::optional<std::int64_t> sizeOf(const std::string& name) const;
    };
    // The whole folder's listing.
    [[nodiscard]] int lookUp(RemoteFile& file);
    // The listing bytes of `file`'s folder, or of that one name, into `file`.
    void readListing(const NSData& bytes, RemoteFile& file) const;
    // The name and its save forms (up to the first free one of each) and `alsoAsk`, each asked
    // by name; the whole folder only where the server cannot tell of one of them, or where only
    // a listing can tell what the name is (its mode, whether it is a link).
    [[nodiscard]] int lookUpByName(RemoteFile& file, const std::vector<std::string>& alsoAsk);
    // What the server tells of each of `names` asked by name alone (FTP MLST where FEAT offers
    // it, else SIZE; an SFTP stat); false when it cannot tell of one of them.
    [[nodiscard]] bool probeNames(const WorkLocation& folder, const std::vector<std::string>& names,
                                  std::map<std::string, RemoteSave::NameFacts>& facts);
    // FTP SIZE or an SFTP stat of one name: 0 with its size, libcurl's not-found code for a
    // name that is not there (or, on FTP, is no file), another code when it cannot tell.
    [[nodiscard]] int remoteStat(const WorkLocation& folder, const std::string& name,
                                 std::optional<std::int64_t>& size);
    // Runs `ask`, a question whose "no" is an answer: its failure leaves the running
    // operation's words for its result as they were.
    [[nodiscard]] int askQuietly(const std::function<int()>& ask);
    // The file a link points to (nullopt when the target names no file).
    [[nodiscard]] static std::optional<RemoteFile> linkTarget(const RemoteFile& link);
    // A name of a save as the log shows it: plain in the work directory, else its full path.
    [[nodiscard]] std::string shownName(const WorkLocation& folder, const std::string& name) const;
    [[nodiscard]] std::string sftpPath(const WorkLocation& folder, const std::string& name) const;
    // One save, from the listing before it to what the server holds after it.
    struct SaveAttempt {
        RemoteFile file;                    // the file that takes the text (a link's target)
        std::string temporary;              // a free name the text is uploaded to
        std::string aside;                  // a free name SFTP moves the original to; empty until then
        std::vector<std::string> leftovers; // names of the save's own forms found before it
        std::vector<std::string> before;    // every name the folder held before the upload
        bool uploaded { false };            // the temporary copy arrived whole
        bool temporaryRemoved { false };    // a partial upload removed on its own connection
        bool renameSent { false };          // the rename onto the name was asked for
        int renameCode { 0 };               // how the last rename of the swap ended
        RemoteSave::Outcome renameOutcome { RemoteSave::Outcome::done };
        std::int64_t sent { 0 };            // bytes uploaded
        bool modeFailed { false };
        bool asideRemovalFailed { false };
        // Fills the left-overs, the names before and the temporary name from `file`'s listing.
        void prepare();
    };
    // An SFTP rename in `folder` (which never replaces an existing name).
    [[nodiscard]] int renameRemote(const WorkLocation& folder, const std::string& from, const std::string& to);
    // The names `attempt` knows of, as the server shows them now (the way they were learnt
    // before the upload).
    [[nodiscard]] int lookUpAgain(const SaveAttempt& attempt, RemoteFile& now);
    // The swap after the temporary upload; answers the code of the first step that failed.
    [[nodiscard]] int swapIntoPlace(SaveAttempt& attempt);
    // Lists the folder again and puts into `report` which names hold which text; a rename that
    // was done though its answer was lost makes the save a success.
    void describeAfterSave(const SaveAttempt& attempt, SaveReport& report);
    // After a lost answer in the swap, with the line back: a whole temporary copy takes the
    // name where the name is missing (and a moved-aside original goes). Answers the code.
    [[nodiscard]] int finishSwap(SaveAttempt& attempt);

    // A perform on the handle failed (TransferOptionsScope tells): the server's words are kept
    // unless an earlier failure of the same operation left its own.
    friend class TransferOptionsScope;
    void noteFailure(const std::vector<std::string>& replies, const char* detail);
    // A new operation starts: no words of an earlier one are carried into its result.
    void forgetFailure();
    // How the last perform that failed was answered, as RemoteSave judges it.
    [[nodiscard]] RemoteSave::Outcome outcomeOfLast(int code) const;
    // One command followed by a listing, with the refusal of unsafe names.
    int runCommand(ReloadResult::Command command, std::initializer_list<std::string> names,
                   std::vector<std::string> ftp, std::vector<std::string> sftp);
    bool changeDirectory(const std::string& dir, const std::vector<std::string>& commands, bool skipListing,
                         TransferProgressFunction progress, void* progressData, ReloadResult& result);
    // Hands `send` to the delegate on the main thread, when there is one that takes `operation`.
    void deliver(NetworkManagerDelegate::Operation operation, std::function<void(NetworkManagerDelegate&)> send,
                 bool wait);

    // Ends the running background operation at termination; answers whether it has ended.
    [[nodiscard]] bool endRunningOperation();
    // Whether the calling thread runs the operation beginOperation() started, which clears the
    // busy mark itself once the work has ended.
    [[nodiscard]] bool runsBegunOperation() const
    {
        return begunOperationThread_.load() == std::this_thread::get_id();
    }

    CurlSession curl_;
    bool globalInitialised_ { false };
    std::atomic<int> threadStatus_ { 0 };
    // The thread of the operation beginOperation() started; none between operations.
    std::atomic<std::thread::id> begunOperationThread_ {};
    // Set by terminate(): every transfer ends at its next progress call, and no result is
    // delivered.
    std::atomic<bool> abortRequested_ { false };
    std::atomic<bool> terminating_ { false };
    std::atomic<bool> microsoft_ { false };
    // Whether this connection's FTP server is still asked for hidden names (until it refuses).
    std::atomic<bool> listsHiddenEntries_ { true };
    NaviStack naviStack_;

    // Guards what the main thread reads while a worker changes it.
    mutable std::mutex stateMutex_;
    std::weak_ptr<NetworkManagerDelegate> delegate_;
    std::shared_ptr<QVConnection> conn_;
    std::shared_ptr<Entries> curDirListening_ { std::make_shared<Entries>() };
    WorkLocation work_;
    Limits limits_;
    // The running operation's first failure in the server's words, and those of the result
    // delivered last (what lastReplyLine() answers).
    std::string failureWords_;
    std::string latestFailureWords_; // those of the latest failed perform
    std::string lastReplyLine_;
    // What our own host-key check (hostKeyCheck, which libcurl calls with each key an SFTP server
    // shows, in place of its known-hosts check) reads and reports, during any perform that
    // connects (the connect, and any later operation after the connection was lost).
    struct HostKeyCheck {
        std::string path;
        std::string host;
        int port { 22 };
        mutable std::mutex mutex;
        std::string refusalText; // why the last key shown was refused; empty when it passed
        void setRefusal(std::string text);
        [[nodiscard]] std::string refusal() const;
    };
    HostKeyCheck hostKeyCheck_;
    static int hostKeyCheck(void* check, int type, const char* key, std::size_t length);
    [[nodiscard]] static std::string refusalText(const std::string& path, const std::string& host, int port,
                                                 KnownHosts::Verdict verdict, const KnownHosts::Refusal& refusal);
    // SFTP: tells libcurl which remembered key type to ask the server for (libcurl takes it from
    // the first line naming the host in its known-hosts file), through a file of that one line.
    [[nodiscard]] std::string keyTypePreferencePath() const;
    // The key types remembered for host:port, each once, in the order of their lines; none (and
    // the check holds the refusal) when the file cannot be read.
    [[nodiscard]] std::vector<std::string> rememberedKeyTypes(const std::string& path, const std::string& host,
                                                              int port);
    bool preferKeyType(void* handle, const std::string& path, const QVConnection& connection,
                       const std::string& type);
    // The connect failed because the server offers no host key of the type asked for.
    [[nodiscard]] bool offeredNoSuchKeyType(int code) const;
    // Whether the FTP server's FEAT offers MLST (1), SIZE without it (2), neither (3); 0 until
    // asked, once per connection.
    std::atomic<int> ftpNameFacts_ { 0 };
    // The size each file's last save in this process stored, by its full path (under
    // stateMutex_): the screen's listing shows a file as it was before the app's own saves.
    std::map<std::string, std::int64_t> savedSizes_;
    // The stall limit the current connection was set up with.
    std::atomic<long> stallSeconds_ { Limits {}.stallSeconds };
};

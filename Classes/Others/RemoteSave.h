#pragma once

// The decisions of a save over a remote file, apart from the transfers that carry it out: which
// names are free, what a failed step means, whether a copy on the server is whole, which
// left-overs are this app's own. The network manager runs the save on its handle and asks these.

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

class RemoteSave {
public:
    // The longest name a server's file system takes, in bytes.
    static constexpr std::size_t kLongestName = 255;

    // How one step of a save ended.
    enum class Outcome {
        done,    // the server answered that it was carried out
        refused, // the server answered with a refusal: nothing was carried out
        lost,    // no answer came (the line cut, a time-out): it may have been carried out
    };
    // `words` are the server's for that step: a reply line, an SFTP status in libcurl's words,
    // or libssh2's plain error when the session broke before any status came.
    [[nodiscard]] static Outcome outcomeOf(int code, const std::string& words);

    // The `n`th name (1, 2, ...) a save of `name` writes with `suffix`: `name` + `suffix`, then
    // numbered, its stem shortened at a character boundary where the whole would pass the
    // longest name.
    [[nodiscard]] static std::string saveForm(const std::string& name, const std::string& suffix, int n);
    // `name` + `suffix` (+ a number), free among `taken`, its stem shortened at a character
    // boundary where the whole would pass the longest name.
    [[nodiscard]] static std::string freeName(const std::vector<std::string>& taken, const std::string& name,
                                              const std::string& suffix);
    // `candidate` is a name a save of `name` writes with `suffix` (shortened as freeName does).
    [[nodiscard]] static bool isSaveForm(const std::string& candidate, const std::string& name,
                                         const std::string& suffix);

    // A copy on the server holds the whole upload: its size is what was sent. Unknown sizes
    // prove nothing.
    [[nodiscard]] static bool isWhole(std::optional<std::int64_t> size, std::int64_t sent)
    {
        return size && *size == sent;
    }
    // A rename onto the name whose answer never came was done: only after a lost answer, with
    // the temporary copy gone and the name holding what was uploaded. A refusal is never taken
    // for a lost answer, whatever the folder shows (a server that renames over a name always
    // shows the name).
    [[nodiscard]] static bool renameDoneThoughLost(Outcome rename, bool temporaryListed,
                                                   std::optional<std::int64_t> nameSize, std::int64_t sent);
    // A copy this save may remove after a failed upload: its name was free before this save's
    // upload, and it is not a whole copy (unknown sizes count as partial only when nothing is
    // listed under the name any more, which needs no removal).
    [[nodiscard]] static bool isOwnPartial(bool freeBefore, std::optional<std::int64_t> size, std::int64_t sent)
    {
        return freeBefore && size && *size < sent;
    }
    // The server's reply or libcurl's detail says the disk is full or a quota is exceeded.
    [[nodiscard]] static bool isDiskFull(int code, const std::string& words);
    // The listed mode lacks its owner's write bit: a plain upload could not replace it.
    [[nodiscard]] static bool isWriteProtected(std::optional<unsigned> mode)
    {
        return mode && (*mode & 0200u) == 0;
    }

    // What a server tells of one name asked by that name alone (an FTP MLST or SIZE, an SFTP
    // stat).
    struct NameFacts {
        bool exists { false };
        bool isDirectory { false };
        std::optional<std::int64_t> size;
        std::optional<unsigned> mode;
    };
    // The last `count` replies among an FTP perform's reply lines, each its lines in order
    // (a multi-line reply's first to last); fewer when fewer came.
    [[nodiscard]] static std::vector<std::vector<std::string>> lastReplies(const std::vector<std::string>& lines,
                                                                          std::size_t count);
    // The facts of an MLST reply: a 250 with its facts line, a 550 for a name that is not
    // there; nullopt for any other answer (the server cannot tell).
    [[nodiscard]] static std::optional<NameFacts> factsOfMlst(const std::vector<std::string>& reply);

    // The left-overs this app's saves made and reported, by the file's full path, for the life
    // of the process: a later successful save of the same file removes these and no others.
    class Leftovers {
    public:
        void remember(const std::string& path, const std::string& name);
        void forget(const std::string& path, const std::string& name);
        // Every one remembered for `path`.
        [[nodiscard]] std::vector<std::string> of(const std::string& path) const;
        // Those of `path` that `listed` still shows.
        [[nodiscard]] std::vector<std::string> ownAmong(const std::string& path,
                                                        const std::vector<std::string>& listed) const;

    private:
        mutable std::mutex mutex_;
        std::map<std::string, std::set<std::string>> made_;
    };
    [[nodiscard]] static Leftovers& leftovers();
};

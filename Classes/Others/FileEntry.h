#pragma once

#include "Platform/Foundation/NSDate.h"
#include "Platform/Foundation/NSObject.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// One entry of a remote directory listing. Created by the listing decoder on the worker
// thread, then handed to the screens; nothing locks it.
class FileEntry : public NSObject {
public:
    // Values of dirType.
    static constexpr std::int32_t kPlainFile = 0;
    static constexpr std::int32_t kDirectoryByPermissions = 1; // "d" permission text
    static constexpr std::int32_t kDirectoryOrLink = 2;        // listed as a folder, or "l" permissions
    static constexpr std::int32_t kOtherType = 3;

    // Rows of rights (the `target` of canRead and friends).
    static constexpr std::int16_t kOwner = 0;
    static constexpr std::int16_t kGroup = 1;
    static constexpr std::int16_t kOther = 2;

    using Rights = std::array<std::array<std::int16_t, 3>, 3>; // [owner/group/other][read/write/execute]

    FileEntry() = default;

    // YES exactly for dirType 1 and 2: how every screen tells folders from files.
    [[nodiscard]] bool isDirectory() const { return dirType_ == kDirectoryByPermissions || dirType_ == kDirectoryOrLink; }

    // Sets extType from the name's upper-cased extension (with the ".htaccess", ".js.inc"
    // and ".php.inc" names) and returns that extension.
    std::string parseExtension();

    // "1 byte", "%llu bytes", or KB / MB / GB with at most one decimal, whatever the locale.
    [[nodiscard]] std::string stringForFileSize() const;

    // "drwxr-xr-x" style text: sets strRights, dirType from the first character and rights
    // from the next nine.
    void parsePermissions(std::string_view permissions);
    // "0755" style text: sets strRights and rights from the three octal digits after the first.
    void parseMPermissions(std::string_view permissions);

    // target: kOwner, kGroup or kOther; anything else is a programming error and throws.
    [[nodiscard]] bool canRead(std::int16_t target) const;
    [[nodiscard]] bool canWrite(std::int16_t target) const;
    [[nodiscard]] bool canExecute(std::int16_t target) const;
    // The mode of a plain file whose listing showed it ("-rwsr-xr-x" gives 04755, "0644"),
    // special bits included; nullopt for anything else (a link, a folder, no permissions).
    [[nodiscard]] std::optional<unsigned> fileMode() const;

    // Accessors, in declaration order.
    const std::string& strRights() const { return strRights_; }
    void setStrRights(std::string value) { strRights_ = std::move(value); }
    const Rights& rights() const { return rights_; }
    void setRights(const Rights& value) { rights_ = value; }
    std::int32_t dirType() const { return dirType_; }
    void setDirType(std::int32_t value) { dirType_ = value; }
    std::int32_t dirLinkCount() const { return dirLinkCount_; }
    void setDirLinkCount(std::int32_t value) { dirLinkCount_ = value; }
    const std::string& owner() const { return owner_; }
    void setOwner(std::string value) { owner_ = std::move(value); }
    const std::string& group() const { return group_; }
    void setGroup(std::string value) { group_ = std::move(value); }
    std::int64_t size() const { return size_; }
    void setSize(std::int64_t value) { size_ = value; }
    // Empty when the listing gave no time.
    const std::optional<NSDate>& date() const { return date_; }
    void setDate(std::optional<NSDate> value) { date_ = value; }
    const std::string& name() const { return name_; }
    void setName(std::string value) { name_ = std::move(value); }
    const std::string& symlink() const { return symlink_; }
    void setSymlink(std::string value) { symlink_ = std::move(value); }
    std::int32_t unique() const { return unique_; }
    void setUnique(std::int32_t value) { unique_ = value; }
    std::int32_t extType() const { return extType_; }
    void setExtType(std::int32_t value) { extType_ = value; }
    const std::string& localPath() const { return localPath_; }
    void setLocalPath(std::string value) { localPath_ = std::move(value); }
    bool unsupported() const { return unsupported_; }
    void setUnsupported(bool value) { unsupported_ = value; }
    // A link (the listing named its target); it counts as a file until entered as a folder.
    [[nodiscard]] bool isLink() const { return !symlink_.empty(); }
    // Set for a link known to lead to a folder: it shows as one.
    bool linksToFolder() const { return linksToFolder_; }
    void setLinksToFolder(bool value) { linksToFolder_ = value; }

    // The display string of a value with its units: no decimal when the fraction is
    // below 0.1 or above 0.9, one otherwise.
    [[nodiscard]] static std::string stringForNumberAsUnits(double value, std::string_view units);

private:
    [[nodiscard]] const std::array<std::int16_t, 3>& rightsRow(std::int16_t target) const;

    std::string strRights_;
    Rights rights_ {};
    std::int32_t dirType_ { kPlainFile };
    std::int32_t dirLinkCount_ { 0 };
    std::string owner_;
    std::string group_;
    std::int64_t size_ { 0 };
    std::optional<NSDate> date_;
    std::string name_;
    std::string symlink_;
    std::int32_t unique_ { 0 };
    std::int32_t extType_ { 0 };
    std::string localPath_;
    bool unsupported_ { false };
    std::optional<unsigned> mode_; // every bit of a complete permission text
    bool linksToFolder_ { false };
};

#include "Platform/Foundation/NSDateFormatter.h"

#include <unicode/udat.h>
#include <unicode/ustring.h>

#include <cstdlib>

#include "Platform/Foundation/NSString.h"

struct UDateFormatHolder {
    UDateFormat* format { nullptr };
    ~UDateFormatHolder()
    {
        if (format != nullptr) {
            udat_close(format);
        }
    }
};

namespace {

UDateFormatStyle icuStyle(NSDateFormatterStyle style)
{
    switch (style) {
    case NSDateFormatterShortStyle:
        return UDAT_SHORT;
    case NSDateFormatterMediumStyle:
        return UDAT_MEDIUM;
    case NSDateFormatterLongStyle:
        return UDAT_LONG;
    case NSDateFormatterFullStyle:
        return UDAT_FULL;
    case NSDateFormatterNoStyle:
        break;
    }
    return UDAT_NONE;
}

}

NSDateFormatter::NSDateFormatter() = default;
NSDateFormatter::~NSDateFormatter() = default;

void NSDateFormatter::invalidate() { format_.reset(); }

void NSDateFormatter::setDateStyle(NSDateFormatterStyle style)
{
    dateStyle_ = style;
    invalidate();
}

void NSDateFormatter::setTimeStyle(NSDateFormatterStyle style)
{
    timeStyle_ = style;
    invalidate();
}

void NSDateFormatter::setLocale(std::string localeIdentifier)
{
    locale_ = std::move(localeIdentifier);
    invalidate();
}

void NSDateFormatter::setTimeZone(std::string timeZoneName)
{
    timeZone_ = std::move(timeZoneName);
    invalidate();
}

std::string NSDateFormatter::userLocaleIdentifier()
{
    for (const char* name : { "LC_ALL", "LC_TIME", "LANG" }) {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0') {
            continue;
        }
        std::string id = value;
        id = id.substr(0, id.find_first_of(".@"));
        if (id.empty() || id == "C" || id == "POSIX") {
            break;
        }
        return id;
    }
    return "en_US";
}

std::u16string NSDateFormatter::stringFromDate16(const NSDate& date) const
{
    if (dateStyle_ == NSDateFormatterNoStyle && timeStyle_ == NSDateFormatterNoStyle) {
        return {};
    }
    if (!format_) {
        auto holder = std::make_unique<UDateFormatHolder>();
        const std::string locale = locale_.empty() ? userLocaleIdentifier() : locale_;
        const std::u16string zone = utf8ToUtf16(timeZone_);
        UErrorCode status = U_ZERO_ERROR;
        holder->format = udat_open(icuStyle(timeStyle_), icuStyle(dateStyle_), locale.c_str(),
                                   zone.empty() ? nullptr : reinterpret_cast<const UChar*>(zone.data()),
                                   zone.empty() ? 0 : static_cast<int32_t>(zone.size()), nullptr, 0, &status);
        if (U_FAILURE(status) || holder->format == nullptr) {
            return {};
        }
        format_ = std::move(holder);
    }
    const UDate when = date.timeIntervalSince1970() * 1000.0;
    UErrorCode status = U_ZERO_ERROR;
    std::u16string out(64, u'\0');
    int32_t length = udat_format(format_->format, when, reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), nullptr, &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        status = U_ZERO_ERROR;
        out.assign(static_cast<std::size_t>(length) + 1, u'\0');
        length = udat_format(format_->format, when, reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), nullptr, &status);
    }
    if (U_FAILURE(status)) {
        return {};
    }
    out.resize(static_cast<std::size_t>(length));
    return out;
}

std::string NSDateFormatter::stringFromDate(const NSDate& date) const
{
    return utf16ToUtf8(stringFromDate16(date));
}

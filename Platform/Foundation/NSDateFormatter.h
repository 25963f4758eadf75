#pragma once

#include <memory>
#include <string>

#include "Platform/Foundation/NSDate.h"

enum NSDateFormatterStyle : int {
    NSDateFormatterNoStyle = 0,
    NSDateFormatterShortStyle = 1,
    NSDateFormatterMediumStyle = 2,
    NSDateFormatterLongStyle = 3,
    NSDateFormatterFullStyle = 4,
};

struct UDateFormatHolder;

// Dates as text for people, in a locale's own form (ICU). The locale is the user's unless set:
// LC_ALL, then LC_TIME, then LANG ("de_DE.UTF-8" -> "de_DE"; "C", "POSIX" or nothing -> "en_US").
// The time zone is the system's unless set. Not shared between threads.
class NSDateFormatter {
public:
    NSDateFormatter();
    ~NSDateFormatter();
    NSDateFormatter(const NSDateFormatter&) = delete;
    NSDateFormatter& operator=(const NSDateFormatter&) = delete;

    [[nodiscard]] NSDateFormatterStyle dateStyle() const { return dateStyle_; }
    void setDateStyle(NSDateFormatterStyle style);
    [[nodiscard]] NSDateFormatterStyle timeStyle() const { return timeStyle_; }
    void setTimeStyle(NSDateFormatterStyle style);
    // An ICU locale identifier ("en_US", "de_DE"); empty: the user's.
    [[nodiscard]] const std::string& locale() const { return locale_; }
    void setLocale(std::string localeIdentifier);
    // An Olson name ("UTC", "Europe/Berlin"); empty: the system's.
    void setTimeZone(std::string timeZoneName);

    // UTF-8 text; "" when both styles are none or the locale has no such form.
    [[nodiscard]] std::string stringFromDate(const NSDate& date) const;
    [[nodiscard]] std::u16string stringFromDate16(const NSDate& date) const;

    // The user's locale as described above.
    [[nodiscard]] static std::string userLocaleIdentifier();

private:
    void invalidate();

    NSDateFormatterStyle dateStyle_ { NSDateFormatterNoStyle };
    NSDateFormatterStyle timeStyle_ { NSDateFormatterNoStyle };
    std::string locale_;
    std::string timeZone_;
    mutable std::unique_ptr<UDateFormatHolder> format_; // made on first use
};

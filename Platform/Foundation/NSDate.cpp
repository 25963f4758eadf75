#include "Platform/Foundation/NSDate.h"

#include <functional>

NSDate NSDate::dateWithTimeIntervalSince1970(double seconds)
{
    NSDate date;
    date.seconds_ = seconds;
    return date;
}

bool NSDate::isEqual(const NSObject& other) const
{
    const auto* date = dynamic_cast<const NSDate*>(&other);
    return date != nullptr && *date == *this;
}

std::size_t NSDate::hash() const { return std::hash<double> {}(seconds_); }

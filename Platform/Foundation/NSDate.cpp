#include "Platform/Foundation/NSDate.h"

#include <chrono>
#include <functional>

#include "Platform/Foundation/NSRunLoop.h"

NSDate NSDate::date()
{
    // Wall time minus the real run-loop clock, taken once: the run loop's clock (real or
    // manual) then carries the date forward.
    static const double offset = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count()
        - RealClock().now();
    return dateWithTimeIntervalSince1970(offset + RunLoop::main().now());
}

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

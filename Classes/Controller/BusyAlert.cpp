#include "Classes/Controller/BusyAlert.h"

#include <memory>

#include "Platform/Foundation/NSLog.h"
#include "Platform/UIKit/UIAlertView.h"

namespace BusyAlert {

std::string message(std::string_view notDone)
{
    return "Another server operation is still running, so " + std::string(notDone)
        + ". Please try again when it has ended.";
}

void show(std::string_view notDone)
{
    NSLogf("A remote operation is still running; %.*s", int(notDone.size()), notDone.data());
    std::make_shared<UIAlertView>("Error", message(notDone), std::weak_ptr<UIAlertViewDelegate> {}, "OK")
        ->show();
}

} // namespace BusyAlert

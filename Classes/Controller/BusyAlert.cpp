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

std::shared_ptr<UIAlertView> show(std::string_view notDone, std::weak_ptr<UIAlertViewDelegate> delegate)
{
    NSLogf("A remote operation is still running; %.*s", int(notDone.size()), notDone.data());
    auto alert = std::make_shared<UIAlertView>("Error", message(notDone), std::move(delegate), "OK");
    alert->show();
    return alert;
}

} // namespace BusyAlert

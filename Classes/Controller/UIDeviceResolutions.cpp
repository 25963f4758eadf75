#include "Classes/Controller/UIDeviceResolutions.h"

#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UIScreen.h"

namespace UIDeviceResolutions {

int currentResolution()
{
    const UIScreen& screen = UIScreen::mainScreen();
    // Every screen here answers the scale question; a scale of one stands for the devices that had none.
    const bool retina = screen.scale() > 1;
    if (UIDevice::currentDevice().userInterfaceIdiom() != UIUserInterfaceIdiomPhone)
        return retina ? 5 : 4;
    if (!retina)
        return 1;
    return screen.bounds().size.height * screen.scale() > 960.0 ? 3 : 2;
}

}

#pragma once

// A code for the class of the current device: 1 non-retina phone, 2 retina phone of 960 pixels or
// fewer in height, 3 taller retina phone, 4 non-retina pad, 5 retina pad.
namespace UIDeviceResolutions {

[[nodiscard]] int currentResolution();

}

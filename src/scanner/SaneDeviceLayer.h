#pragma once

#include "ScanDeviceLayer.h"

// The device layer on the SANE C API. SANE is initialised when the layer is
// made and released when it is destroyed, both on the worker thread.
std::unique_ptr<ScanDeviceLayer> makeSaneDeviceLayer();

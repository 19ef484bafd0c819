#pragma once

// What the plug-in exports: C linkage and default visibility; everything else stays hidden.
#define PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))

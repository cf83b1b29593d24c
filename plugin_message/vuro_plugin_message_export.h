#pragma once
// Marks what the shared library VURO_PLUGIN_MESSAGE exports; everything else in it is
// hidden.
#if defined(_WIN32)
#if defined(VURO_PLUGIN_MESSAGE_BUILDING)
#define VURO_PLUGIN_MESSAGE_API __declspec(dllexport)
#else
#define VURO_PLUGIN_MESSAGE_API __declspec(dllimport)
#endif
#else
#define VURO_PLUGIN_MESSAGE_API __attribute__((visibility("default")))
#endif

#pragma once

// Marks the functions and classes that libm716_platform exports.
#define M716_PLATFORM_API __attribute__((visibility("default")))

#pragma once
// The speed parameter setters of the axes and of the board's interpolation group. The values
// they accept and the multiplier they choose follow the chip's units (device/chip_values.h).
//
// Concurrency: for one board from one thread at a time.
